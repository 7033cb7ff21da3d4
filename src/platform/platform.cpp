#include "platform.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace recslice {

namespace {

// The system's own calls: a stream's descriptor (-1 for memory streams),
// and one read or write on it, which may be interrupted or come back short.
#ifdef _WIN32
int descriptor(std::FILE *stream)
{
    return _fileno(stream);
}

// _read and _write take unsigned counts; the tool never asks for more.
std::int64_t read_once(int fd, void *buffer, std::size_t size)
{
    return _read(fd, buffer, static_cast<unsigned>(size));
}

std::int64_t write_once(int fd, const void *data, std::size_t size)
{
    return _write(fd, data, static_cast<unsigned>(size));
}
#else
int descriptor(std::FILE *stream)
{
    return fileno(stream);
}

std::int64_t read_once(int fd, void *buffer, std::size_t size)
{
    return read(fd, buffer, size);
}

std::int64_t write_once(int fd, const void *data, std::size_t size)
{
    return write(fd, data, size);
}
#endif

} // namespace

std::int64_t read_some(std::FILE *stream, void *buffer, std::size_t size)
{
    const int fd = descriptor(stream);
    if (fd < 0) {
        const std::size_t got = std::fread(buffer, 1, size, stream);
        return got == 0 && std::ferror(stream) ? -1 : static_cast<std::int64_t>(got);
    }
    for (;;) {
        const std::int64_t got = read_once(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool write_all(std::FILE *stream, const void *data, std::size_t size)
{
    const int fd = descriptor(stream);
    if (fd < 0)
        return std::fwrite(data, 1, size, stream) == size;
    const char *at = static_cast<const char *>(data);
    while (size > 0) {
        const std::int64_t put = write_once(fd, at, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        at += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

#ifdef _WIN32

namespace {

bool identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION &info)
{
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(handle, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool same_file(std::FILE *stream, const char *path)
{
    BY_HANDLE_FILE_INFORMATION src;
    if (!identity(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor(stream))), src))
        return false;
    // Asking for no access rights opens even a file another program holds.
    HANDLE dest = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (dest == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION dst;
    const bool same = identity(dest, dst) &&
                      src.dwVolumeSerialNumber == dst.dwVolumeSerialNumber &&
                      src.nFileIndexHigh == dst.nFileIndexHigh &&
                      src.nFileIndexLow == dst.nFileIndexLow;
    CloseHandle(dest);
    return same;
}

bool regular_file_size(std::FILE *stream, std::uint64_t &size)
{
    struct _stati64 st;
    const int fd = descriptor(stream);
    if (fd < 0 || _fstati64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool truncate_file(std::FILE *stream, std::uint64_t size)
{
    const int fd = descriptor(stream);
    return fd >= 0 && _chsize_s(fd, static_cast<__int64>(size)) == 0;
}

void guard_std_streams()
{
    // The C runtime keeps descriptors 0 to 2 for the console streams, so a
    // file the tool opens cannot take their place.
}

#else

bool same_file(std::FILE *stream, const char *path)
{
    struct stat src, dst;
    return fstat(descriptor(stream), &src) == 0 && S_ISREG(src.st_mode) && stat(path, &dst) == 0 &&
           src.st_dev == dst.st_dev && src.st_ino == dst.st_ino;
}

bool regular_file_size(std::FILE *stream, std::uint64_t &size)
{
    struct stat st;
    const int fd = descriptor(stream);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool truncate_file(std::FILE *stream, std::uint64_t size)
{
    const int fd = descriptor(stream);
    return fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
}

void guard_std_streams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            // open returns the lowest free descriptor, which is this one.
            (void)open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
}

#endif

} // namespace recslice
