// The read and write loops both systems share, over each one's single calls.

#include "platform.h"

namespace recslice {

std::int64_t read_some(std::FILE *stream, void *buffer, std::size_t size)
{
    const int fd = descriptor(stream);
    if (fd < 0) {
        const std::size_t got = std::fread(buffer, 1, size, stream);
        return got == 0 && std::ferror(stream) ? -1 : static_cast<std::int64_t>(got);
    }
    return read_once(fd, buffer, size);
}

bool write_all(std::FILE *stream, const void *data, std::size_t size)
{
    const int fd = descriptor(stream);
    if (fd < 0)
        return std::fwrite(data, 1, size, stream) == size;
    const char *at = static_cast<const char *>(data);
    while (size > 0) {
        const std::int64_t put = write_once(fd, at, size);
        if (put <= 0)
            return false;
        at += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace recslice
