// The Windows half of the platform layer.

#include "platform.h"

#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

namespace recslice {

namespace {

// The console event that came, plus one (Ctrl-C is event 0); 0 until then.
volatile LONG caught = 0;
// Set while the main thread waits in a read, which the handler may cancel.
volatile LONG reading = 0;
HANDLE main_thread = nullptr;

BOOL WINAPI on_console_event(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    // A second event goes on to the default handler, which ends the process.
    if (InterlockedCompareExchange(&caught, static_cast<LONG>(event) + 1, 0) != 0)
        return FALSE;
    if (reading)
        (void)CancelSynchronousIo(main_thread);
    // Once this returns from a close event the system ends the process:
    // wait here while the main thread finishes the file.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

HANDLE handle_of(std::FILE *stream)
{
    const int fd = descriptor(stream);
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// Where a file on disk lives: its volume and its id there.
struct Identity {
    ULONGLONG volume;
    unsigned char id[16];
};

// The identity of a file on disk; false for devices, pipes and folders.
// Windows 8 and later give a 128-bit id (ReFS needs it); older systems the
// 64-bit file index, laid out the same way.
bool identity(HANDLE handle, Identity &who)
{
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK)
        return false;
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    FILE_ID_INFO info;
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &info, sizeof info)) {
        who.volume = info.VolumeSerialNumber;
        std::memcpy(who.id, info.FileId.Identifier, sizeof who.id);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION old;
    if (!GetFileInformationByHandle(handle, &old) || (old.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    who.volume = old.dwVolumeSerialNumber;
    const ULONGLONG index = (static_cast<ULONGLONG>(old.nFileIndexHigh) << 32) | old.nFileIndexLow;
    std::memset(who.id, 0, sizeof who.id);
    std::memcpy(who.id, &index, sizeof index);
    return true;
}

bool same_as(const Identity &dest, std::FILE *stream)
{
    Identity other;
    if (!identity(handle_of(stream), other) || std::memcmp(dest.id, other.id, sizeof dest.id) != 0)
        return false;
    // A handle that reports no volume (wine's console streams, inherited
    // from the host, do) is matched by its id alone: a refusal too many is
    // safe, a write over the console's own file is not.
    return dest.volume == other.volume || dest.volume == 0 || other.volume == 0;
}

// Which of the run's own streams the open file is, if any.
DestOpen whose(HANDLE file, std::FILE *source, std::FILE *out, std::FILE *err)
{
    Identity dest;
    if (!identity(file, dest))
        return DestOpen::opened;
    if (same_as(dest, source))
        return DestOpen::is_source;
    if (same_as(dest, out))
        return DestOpen::is_output;
    if (same_as(dest, err))
        return DestOpen::is_error;
    return DestOpen::opened;
}

// Another handle writes the file, so it would not open denying other
// writers. Asking for no access rights opens it all the same, to tell
// whether the writer is this run's own console stream.
DestOpen held_by(const char *path, std::FILE *source, std::FILE *out, std::FILE *err)
{
    HANDLE query = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (query == INVALID_HANDLE_VALUE)
        return DestOpen::in_use;
    const DestOpen verdict = whose(query, source, out, err);
    CloseHandle(query);
    return verdict == DestOpen::opened ? DestOpen::in_use : verdict;
}

// Cuts a file on disk to zero length; devices are left as they are.
bool empty_file(HANDLE file)
{
    if (GetFileType(file) != FILE_TYPE_DISK)
        return true;
    LARGE_INTEGER start = {};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

} // namespace

int descriptor(std::FILE *stream)
{
    return _fileno(stream);
}

// _read and _write take unsigned counts; the tools never ask for more.
std::int64_t read_once(int fd, void *buffer, std::size_t size)
{
    InterlockedExchange(&reading, 1);
    const std::int64_t got = caught ? -1 : _read(fd, buffer, static_cast<unsigned>(size));
    InterlockedExchange(&reading, 0);
    return got;
}

std::int64_t write_once(int fd, const void *data, std::size_t size)
{
    return _write(fd, data, static_cast<unsigned>(size));
}

bool may_wait(std::FILE *stream)
{
    const HANDLE handle = handle_of(stream);
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE &&
           (GetFileType(handle) == FILE_TYPE_PIPE || GetConsoleMode(handle, &mode));
}

bool data_ready(std::FILE *stream)
{
    const HANDLE handle = handle_of(stream);
    if (GetFileType(handle) != FILE_TYPE_PIPE)
        return false;
    DWORD available = 0;
    // A pipe whose writer has gone fails the peek: the read ends at once.
    return !PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) || available > 0;
}

bool is_console(std::FILE *stream)
{
    DWORD mode;
    // _isatty is also true of NUL; only a console has a console mode.
    return GetConsoleMode(handle_of(stream), &mode) != 0;
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

DestOpen open_destination(const char *path, std::FILE *source, std::FILE *out, std::FILE *err,
                          std::FILE **dest)
{
    // Other programs may read the file while this run writes it; no other
    // writer may open it.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? held_by(path, source, out, err)
                                                         : DestOpen::unopenable;
    DestOpen verdict = whose(file, source, out, err);
    if (verdict == DestOpen::opened && !empty_file(file))
        verdict = DestOpen::unopenable;
    if (verdict != DestOpen::opened) {
        CloseHandle(file);
        return verdict;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), 0);
    if (fd < 0) {
        CloseHandle(file);
        return DestOpen::unopenable;
    }
    if ((*dest = _fdopen(fd, "wb")) == nullptr) {
        _close(fd);
        return DestOpen::unopenable;
    }
    return DestOpen::opened;
}

void guard_std_streams()
{
    // The C runtime keeps descriptors 0 to 2 for the console streams, so a
    // file the tool opens cannot take their place. Unbuffered, it writes
    // them one character at a time, and a console draws each on its own:
    // with a buffer, each text goes out whole when it is flushed.
    static char out[BUFSIZ], err[BUFSIZ];
    (void)std::setvbuf(stdout, out, _IOFBF, sizeof out);
    (void)std::setvbuf(stderr, err, _IOFBF, sizeof err);
}

void ignore_write_signals()
{
    // Windows has no such signals: a closed pipe or a full disk fails the write.
}

void watch_interrupts()
{
    (void)DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread,
                          0, FALSE, DUPLICATE_SAME_ACCESS);
    (void)SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool interrupted()
{
    return caught != 0;
}

void end_as_interrupted()
{
    std::fflush(nullptr);
    // What the default handler exits with for Ctrl-C and Ctrl-Break.
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

void print_named(std::FILE *stream, const char *format, const char *name)
{
    DWORD mode;
    const HANDLE console = handle_of(stream);
    if (!GetConsoleMode(console, &mode)) {
        std::fprintf(stream, format, name);
        return;
    }
    // A command line holds at most 32767 UTF-16 units, each at most three
    // bytes in the code page, so any name fits with its message.
    constexpr int MaxText = 3 * 32768 + 256;
    static char text[MaxText];
    static wchar_t wide[MaxText];
    std::snprintf(text, sizeof text, format, name);
    // The arguments come in the process's code page: UTF-8 where the
    // manifest takes effect, the legacy ANSI page on older Windows.
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MaxText);
    std::fflush(stream);
    DWORD written;
    if (units > 1)
        (void)WriteConsoleW(console, wide, static_cast<DWORD>(units - 1), &written, nullptr);
}

} // namespace recslice
