#ifndef RECSLICE_PLATFORM_H
#define RECSLICE_PLATFORM_H

// What differs between POSIX and Windows, behind one small interface:
// posix.cpp and windows.cpp each hold one system's half, platform.cpp what
// both share. Nothing else in the tools includes a system header beyond the
// C and C++ standard libraries.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace recslice {

// --- reading and writing

// Reads what the stream has to give, up to size bytes, waiting only until
// some data arrives: a pipe delivers pieces, and the tool must not sit on a
// block it could already show progress for. Returns the byte count, 0 at end
// of file, or -1 on a read error or an interrupt. Streams without a
// descriptor (memory streams) are read with fread.
std::int64_t read_some(std::FILE *stream, void *buffer, std::size_t size);

// Writes all size bytes to the stream, straight to its descriptor where it
// has one, so the stream itself never holds part of what was written.
// False on a write error.
bool write_all(std::FILE *stream, const void *data, std::size_t size);

// True when a read of the stream can wait for its writer: a pipe, a
// terminal, a socket. Files and devices on disk never keep it waiting long.
bool may_wait(std::FILE *stream);

// True when a read of the stream would return at once: data, the end of
// the file, or an error is there.
bool data_ready(std::FILE *stream);

// True when the stream is the screen of a console or terminal.
bool is_console(std::FILE *stream);

// Size of the regular file behind stream; false for anything else.
bool regular_file_size(std::FILE *stream, std::uint64_t &size);

// Cuts the file behind stream down to size bytes; false where it cannot.
bool truncate_file(std::FILE *stream, std::uint64_t size);

// --- the destination

enum class DestOpen {
    opened,
    unopenable, // it cannot be opened for writing, or cut to zero length
    is_source,  // the same file, or block device, as the source
    is_output,  // the same file or pipe as standard output
    is_error,   // the same file or pipe as standard error
    in_use,     // another run holds it
};

// Opens path for binary writing. It is opened without truncating, checked
// as an open file (so no rename or symlink can slip in between) against the
// source and the two console streams, locked against other writers where it
// is a regular file, and only then cut to zero length. Terminals and
// character devices such as the null device are never refused or locked.
// On success *dest is the open stream and holds the lock until it closes.
DestOpen open_destination(const char *path, std::FILE *source, std::FILE *out, std::FILE *err,
                          std::FILE **dest);

// --- the process

// Opens the null device on standard output or standard error if either is
// closed, so that no file the tool opens can take its place and receive
// console text. A closed standard input stays closed: nothing reads it but
// through a name, and a closed one must not turn into an empty source.
// On Windows the two get buffers: console text goes out when the tool
// flushes it, as it does after each text it writes.
void guard_std_streams();

// A closed pipe or a file-size limit then fails the write that meets it
// (EPIPE, EFBIG) instead of killing the process.
void ignore_write_signals();

// From here on an interrupt (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl-C,
// Ctrl-Break and closing the console) only raises a flag, and stops a read
// that is waiting. Signals that were ignored at start stay ignored, so
// nohup keeps working.
void watch_interrupts();

// True once an interrupt has come.
bool interrupted();

// Ends the process the way the interrupt that came would have ended it, so
// that the shell sees it (and a loop over many runs stops too).
[[noreturn]] void end_as_interrupted();

// Writes format, with name in place of its one %s, to a console stream.
// Names are bytes on POSIX. On Windows they come in the process's code page
// (UTF-8 where the manifest takes effect), and where the stream is a
// console the text goes out as UTF-16, so the console shows the name
// whatever its own code page.
void print_named(std::FILE *stream, const char *format, const char *name);

// --- what each system provides to the shared code above

// A stream's descriptor, or -1 for a memory stream.
int descriptor(std::FILE *stream);

// One read or write on a descriptor, which may come back short. A read that
// an interrupt stops returns -1; a write goes on, so that the whole frames
// the tool holds still reach the file, unless a second interrupt comes
// while it waits.
std::int64_t read_once(int fd, void *buffer, std::size_t size);
std::int64_t write_once(int fd, const void *data, std::size_t size);

} // namespace recslice

#endif
