// The POSIX half of the platform layer.

#include "platform.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace recslice {

namespace {

// The interrupt that came, 0 until then, and how many have come.
volatile std::sig_atomic_t caught = 0;
volatile std::sig_atomic_t interrupts = 0;

void on_interrupt(int signo)
{
    caught = signo;
    interrupts = interrupts + 1;
}

bool stat_of(std::FILE *stream, struct stat &st)
{
    const int fd = descriptor(stream);
    return fd >= 0 && fstat(fd, &st) == 0;
}

// Whether a and b are one object that the tool must not write while it also
// reads or prints to it: the same regular file, the same block device under
// any name, and, where pipes count, the same pipe or socket. Terminals and
// other character devices never are.
bool same_object(const struct stat &a, const struct stat &b, bool pipes)
{
    if (S_ISBLK(a.st_mode) && S_ISBLK(b.st_mode))
        return a.st_rdev == b.st_rdev;
    const bool kinds = (S_ISREG(a.st_mode) && S_ISREG(b.st_mode)) ||
                       (pipes && S_ISFIFO(a.st_mode) && S_ISFIFO(b.st_mode)) ||
                       (pipes && S_ISSOCK(a.st_mode) && S_ISSOCK(b.st_mode));
    return kinds && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool same_as(const struct stat &dest, std::FILE *stream, bool pipes)
{
    struct stat st;
    return stat_of(stream, st) && same_object(dest, st, pipes);
}

// What the open destination is to the run: anything but opened refuses it.
DestOpen judge(int fd, std::FILE *source, std::FILE *out, std::FILE *err)
{
    struct stat dest;
    if (fstat(fd, &dest) != 0)
        return DestOpen::unopenable;
    if (same_as(dest, source, false))
        return DestOpen::is_source;
    if (same_as(dest, out, true))
        return DestOpen::is_output;
    if (same_as(dest, err, true))
        return DestOpen::is_error;
    if (!S_ISREG(dest.st_mode))
        return DestOpen::opened;
    // A lock that the file system cannot take does not stop the run; only
    // another holder does.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return DestOpen::in_use;
    return ftruncate(fd, 0) == 0 ? DestOpen::opened : DestOpen::unopenable;
}

} // namespace

int descriptor(std::FILE *stream)
{
    return fileno(stream);
}

std::int64_t read_once(int fd, void *buffer, std::size_t size)
{
    for (;;) {
        const std::int64_t got = read(fd, buffer, size);
        if (got >= 0 || errno != EINTR || caught != 0)
            return got;
    }
}

// After the first interrupt a waiting write goes on, so the frames the tool
// holds still reach a slow reader; a second one gives up on a reader that
// never reads. (timeout sends its signal twice at once, so a second signal
// cannot simply end the process.)
std::int64_t write_once(int fd, const void *data, std::size_t size)
{
    for (;;) {
        const std::int64_t put = write(fd, data, size);
        if (put >= 0 || errno != EINTR || interrupts > 1)
            return put;
    }
}

bool may_wait(std::FILE *stream)
{
    struct stat st;
    return stat_of(stream, st) &&
           (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || isatty(descriptor(stream)));
}

bool data_ready(std::FILE *stream)
{
    struct pollfd p = {descriptor(stream), POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

bool is_console(std::FILE *stream)
{
    const int fd = descriptor(stream);
    return fd >= 0 && isatty(fd);
}

bool regular_file_size(std::FILE *stream, std::uint64_t &size)
{
    struct stat st;
    if (!stat_of(stream, st) || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool truncate_file(std::FILE *stream, std::uint64_t size)
{
    const int fd = descriptor(stream);
    return fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
}

DestOpen open_destination(const char *path, std::FILE *source, std::FILE *out, std::FILE *err,
                          std::FILE **dest)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_NOCTTY, 0666);
    if (fd < 0)
        return DestOpen::unopenable;
    DestOpen verdict = judge(fd, source, out, err);
    if (verdict == DestOpen::opened && (*dest = fdopen(fd, "wb")) == nullptr)
        verdict = DestOpen::unopenable;
    if (verdict != DestOpen::opened)
        (void)close(fd);
    return verdict;
}

void guard_std_streams()
{
    for (int fd = 1; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            // open returns the lowest free descriptor, which is this one.
            (void)open("/dev/null", O_WRONLY);
    }
}

void ignore_write_signals()
{
    (void)std::signal(SIGPIPE, SIG_IGN);
    (void)std::signal(SIGXFSZ, SIG_IGN);
}

void watch_interrupts()
{
    static const int watched[] = {SIGINT, SIGTERM, SIGHUP};
    for (const int signo : watched) {
        struct sigaction old;
        if (sigaction(signo, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction on = {};
        on.sa_handler = on_interrupt;
        sigemptyset(&on.sa_mask);
        // No SA_RESTART, so a read that waits returns.
        on.sa_flags = 0;
        (void)sigaction(signo, &on, nullptr);
    }
}

bool interrupted()
{
    return caught != 0;
}

void end_as_interrupted()
{
    const int signo = caught;
    (void)std::signal(signo, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signo);
    (void)sigprocmask(SIG_UNBLOCK, &set, nullptr);
    (void)std::raise(signo);
    _exit(128 + signo);
}

void print_named(std::FILE *stream, const char *format, const char *name)
{
    std::fprintf(stream, format, name);
}

} // namespace recslice
