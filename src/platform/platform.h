#ifndef RECSLICE_PLATFORM_H
#define RECSLICE_PLATFORM_H

// What differs between POSIX and Windows, behind one small interface.
// Nothing else in the tool includes a system header beyond the C and C++
// standard libraries.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace recslice {

// Reads what the stream has to give, up to size bytes, waiting only until
// some data arrives: a pipe delivers pieces, and the tool must not sit on a
// block it could already show progress for. Returns the byte count, 0 at end
// of file, or -1 on a read error. Streams without a descriptor (memory
// streams) are read with fread.
std::int64_t read_some(std::FILE *stream, void *buffer, std::size_t size);

// Writes all size bytes to the stream, straight to its descriptor where it
// has one, so the stream itself never holds part of what was written.
// False on a write error.
bool write_all(std::FILE *stream, const void *data, std::size_t size);

// True when path names the same regular file as the open stream, whatever
// the spelling, hard link or symlink. Devices and pipes never match, so
// pairs such as /dev/null in and out still work.
bool same_file(std::FILE *stream, const char *path);

// Size of the regular file behind stream; false for anything else.
bool regular_file_size(std::FILE *stream, std::uint64_t &size);

// Cuts the file behind stream down to size bytes; false where it cannot.
bool truncate_file(std::FILE *stream, std::uint64_t size);

// Opens the null device on any of the three standard descriptors that is
// closed, so that no file the tool opens can take its place and receive
// console text.
void guard_std_streams();

} // namespace recslice

#endif
