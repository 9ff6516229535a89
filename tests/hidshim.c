/* LD_PRELOAD shim for tests: the file $PONTAVEL_HID_PATH is a hidraw device of ids $PONTAVEL_HID_ID
 * ("0d8c:000c"; empty: not HID); writes land in it, failing with EIO from byte $PONTAVEL_HID_FAIL_AT. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static int hid_fd = -1; /* the last one opened, until its number is opened again */

int open(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = flags & (O_CREAT | O_TMPFILE) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    const char *hid_path = getenv("PONTAVEL_HID_PATH");
    const int fd = REAL(open)(path, flags, mode);
    if (fd >= 0 && hid_path && strcmp(path, hid_path) == 0)
        hid_fd = fd;
    else if (fd == hid_fd)
        hid_fd = -1;
    return fd;
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    struct hidraw_devinfo *info = va_arg(ap, void *);
    va_end(ap);
    const char *id = getenv("PONTAVEL_HID_ID");
    unsigned vendor, product;
    if (fd < 0 || fd != hid_fd || request != HIDIOCGRAWINFO || !id || sscanf(id, "%x:%x", &vendor, &product) != 2)
        return REAL(ioctl)(fd, request, info);
    info->vendor = (__s16)vendor, info->product = (__s16)product;
    return 0;
}

ssize_t write(int fd, const void *buf, size_t size)
{
    const char *fail = getenv("PONTAVEL_HID_FAIL_AT");
    if (fd >= 0 && fd == hid_fd && fail && *fail && lseek(fd, 0, SEEK_CUR) >= atol(fail))
        return errno = EIO, -1;
    return REAL(write)(fd, buf, size);
}
