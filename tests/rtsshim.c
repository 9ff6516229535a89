/* LD_PRELOAD shim for tests: pseudo-terminals have no modem lines, so this
 * answers the modem-line ioctls for pty slaves from its own per-descriptor
 * state and logs every RTS and DTR change, with a CLOCK_MONOTONIC time stamp,
 * to the file named by PONTAVEL_RTS_LOG. Lines read "<seconds.nanoseconds>
 * RTS <0|1>", "... DTR <0|1>" and "... CLOSE" (or "CLOSE RTS 0") when a
 * descriptor is closed. As a real port does, opening a pty slave raises both
 * lines ("OPEN" then "RTS 1", "DTR 1"). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <sys/syscall.h>
#include <unistd.h>

#define MAX_FD 1024

static int lines[MAX_FD];
static char tracked[MAX_FD];
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;

static int is_pty_slave(int fd)
{
    struct stat st;
    if (fd < 0 || fd >= MAX_FD || fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

static void log_line(const char *what)
{
    const char *path = getenv("PONTAVEL_RTS_LOG");
    if (!path || !*path)
        return;
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    char buf[128];
    int n = snprintf(buf, sizeof buf, "%lld.%09ld %s\n", (long long)ts.tv_sec, ts.tv_nsec, what);
    int out = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out >= 0) {
        if (write(out, buf, (size_t)n) < 0) { /* nothing to do in a test shim */ }
        fsync(out);
        syscall(SYS_close, out);
    }
}

/* Each line names the pty, so that a test can tell two ports apart. */
static void log_fd(int fd, const char *what)
{
    char name[64] = "?";
    if (ttyname_r(fd, name, sizeof name) != 0)
        strcpy(name, "?");
    char buf[128];
    snprintf(buf, sizeof buf, "%s %s", what, name);
    log_line(buf);
}

static void set_lines(int fd, int value)
{
    int before = lines[fd];
    lines[fd] = value;
    tracked[fd] = 1;
    if ((before ^ value) & TIOCM_RTS)
        log_fd(fd, value & TIOCM_RTS ? "RTS 1" : "RTS 0");
    if ((before ^ value) & TIOCM_DTR)
        log_fd(fd, value & TIOCM_DTR ? "DTR 1" : "DTR 0");
}

static int opened(int fd)
{
    if (fd >= 0 && is_pty_slave(fd)) {
        pthread_mutex_lock(&lock);
        log_fd(fd, "OPEN");
        lines[fd] = 0;
        set_lines(fd, TIOCM_RTS | TIOCM_DTR);
        pthread_mutex_unlock(&lock);
    }
    return fd;
}

#define OPEN_WRAPPER(name)                                                    \
    int name(const char *path, int flags, ...)                                \
    {                                                                         \
        static int (*real)(const char *, int, ...);                           \
        mode_t mode = 0;                                                      \
        if (flags & (O_CREAT | O_TMPFILE)) {                                  \
            va_list ap;                                                       \
            va_start(ap, flags);                                              \
            mode = va_arg(ap, mode_t);                                        \
            va_end(ap);                                                       \
        }                                                                     \
        if (!real)                                                            \
            real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, #name);  \
        return opened(real(path, flags, mode));                               \
    }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real_ioctl)(int, unsigned long, ...);
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (!real_ioctl)
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");

    if ((request == TIOCMGET || request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET)
        && is_pty_slave(fd)) {
        int *bits = (int *)arg;
        if (!bits) {
            errno = EFAULT;
            return -1;
        }
        pthread_mutex_lock(&lock);
        switch (request) {
        case TIOCMGET: *bits = lines[fd]; break;
        case TIOCMBIS: set_lines(fd, lines[fd] | *bits); break;
        case TIOCMBIC: set_lines(fd, lines[fd] & ~*bits); break;
        case TIOCMSET: set_lines(fd, *bits); break;
        }
        pthread_mutex_unlock(&lock);
        return 0;
    }
    return real_ioctl(fd, request, arg);
}

int close(int fd)
{
    static int (*real_close)(int);
    if (!real_close)
        real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (fd >= 0 && fd < MAX_FD) {
        pthread_mutex_lock(&lock);
        if (tracked[fd]) {
            /* HUPCL: the kernel drops the lines on the last close. */
            if (lines[fd] & TIOCM_RTS)
                log_line("CLOSE RTS 0");
            else
                log_line("CLOSE");
            lines[fd] = 0;
            tracked[fd] = 0;
        }
        pthread_mutex_unlock(&lock);
    }
    return real_close(fd);
}
