#ifndef RECSLICE_FUZZ_STREAMS_H
#define RECSLICE_FUZZ_STREAMS_H

// What both fuzz targets share: a check that aborts, a source stream over
// memory that can fail at a chosen offset, and a memory stream to write to.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/types.h>

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            std::fprintf(stderr, "invariant broken: %s (line %d)\n", #cond, __LINE__); \
            std::abort();                                                            \
        }                                                                            \
    } while (0)

// A source that hands out its bytes and then ends, or fails at fail_at.
struct Source {
    const std::uint8_t *data;
    std::size_t size, pos, fail_at;
    bool fails;
};

inline ssize_t source_read(void *cookie, char *buffer, std::size_t size)
{
    Source &s = *static_cast<Source *>(cookie);
    const std::size_t end = s.fails ? s.fail_at : s.size;
    if (s.pos >= end)
        return s.fails ? -1 : 0;
    std::size_t n = end - s.pos < size ? end - s.pos : size;
    std::memcpy(buffer, s.data + s.pos, n);
    s.pos += n;
    return static_cast<ssize_t>(n);
}

inline std::FILE *open_source(Source &source)
{
    cookie_io_functions_t io = {source_read, nullptr, nullptr, nullptr};
    return fopencookie(&source, "rb", io);
}

// A memory stream that hands its bytes over once closed.
struct Sink {
    char *bytes = nullptr;
    std::size_t size = 0;
    std::FILE *stream = open_memstream(&bytes, &size);
    std::string taken() const { return std::string(bytes ? bytes : "", size); }
    ~Sink() { std::free(bytes); }
};

#endif
