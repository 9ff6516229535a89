/* LD_PRELOAD shim for tests: pty slaves get modem lines of their own, and each
 * change is logged to $PONTAVEL_RTS_LOG as "<CLOCK_MONOTONIC s> RTS|DTR 0|1 <pty>";
 * opening raises both, as a real port does ("OPEN <pty>", "RTS 1", "DTR 1"), and
 * the last close logs "CLOSE RTS 0" (HUPCL drops a raised RTS) or "CLOSE".
 * A sound server connection closed logs "pa_context_disconnect". */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#define MAX_FD 1024

#define TRACKED 0x40000000 /* the shim answers for this descriptor */
static int lines[MAX_FD];
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;

static int is_pty_slave(int fd)
{
    struct stat st;
    return fd >= 0 && fd < MAX_FD && fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)
           && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

/* fd >= 0: the line names the pty, so that a test can tell two ports apart. */
static void log_line(int fd, const char *what)
{
    const char *path = getenv("PONTAVEL_RTS_LOG");
    char name[64] = " ?", buf[160];
    struct timespec ts;
    if (!path || !*path)
        return;
    if (fd < 0 || ttyname_r(fd, name + 1, sizeof name - 1) != 0)
        name[fd < 0 ? 0 : 2] = 0;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    int n = snprintf(buf, sizeof buf, "%lld.%09ld %s%s\n", (long long)ts.tv_sec, ts.tv_nsec, what, name);
    int out = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out >= 0) {
        if (write(out, buf, (size_t)n) < 0) { /* nothing to do in a test shim */ }
        fsync(out);
        syscall(SYS_close, out);
    }
}

static void set_lines(int fd, int value)
{
    int changed = lines[fd] ^ value;
    lines[fd] = value | TRACKED;
    if (changed & TIOCM_RTS)
        log_line(fd, value & TIOCM_RTS ? "RTS 1" : "RTS 0");
    if (changed & TIOCM_DTR)
        log_line(fd, value & TIOCM_DTR ? "DTR 1" : "DTR 0");
}

static int opened(int fd)
{
    if (is_pty_slave(fd)) {
        pthread_mutex_lock(&lock);
        log_line(fd, "OPEN");
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
        va_list ap;                                                           \
        va_start(ap, flags);                                                  \
        mode_t mode = flags & (O_CREAT | O_TMPFILE) ? va_arg(ap, mode_t) : 0; \
        va_end(ap);                                                           \
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
    if ((request != TIOCMGET && request != TIOCMBIS && request != TIOCMBIC && request != TIOCMSET)
        || !is_pty_slave(fd))
        return real_ioctl(fd, request, arg);
    int *bits = (int *)arg;
    if (!bits)
        return errno = EFAULT, -1;
    pthread_mutex_lock(&lock);
    if (request == TIOCMGET)
        *bits = lines[fd] & ~TRACKED;
    else
        set_lines(fd, request == TIOCMBIS ? lines[fd] | *bits
                      : request == TIOCMBIC ? lines[fd] & ~*bits : *bits);
    pthread_mutex_unlock(&lock);
    return 0;
}

int close(int fd)
{
    static int (*real_close)(int);
    if (!real_close)
        real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (fd >= 0 && fd < MAX_FD) {
        pthread_mutex_lock(&lock);
        if (lines[fd] & TRACKED) /* HUPCL: the kernel drops the lines on the last close. */
            log_line(-1, lines[fd] & TIOCM_RTS ? "CLOSE RTS 0" : "CLOSE");
        lines[fd] = 0;
        pthread_mutex_unlock(&lock);
    }
    return real_close(fd);
}

/* The sound library's own teardown at exit, which aborts now and then: the
 * program must end before it runs ("pa_context_disconnect" in the log). */
void pa_context_disconnect(void *context)
{
    static void (*real_disconnect)(void *);
    if (!real_disconnect)
        real_disconnect = (void (*)(void *))dlsym(RTLD_NEXT, "pa_context_disconnect");
    log_line(-1, "pa_context_disconnect");
    real_disconnect(context);
}
