#include "pttsafety.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
// The release armed now: modem-line bits to clear, or else bytes to write.
std::atomic<int> keyedFd{-1};
std::atomic<int> keyedBits{0};
std::atomic<int> releaseSize{0};
char releaseBytes[64];
static_assert(std::atomic<int>::is_always_lock_free);

// Only async-signal-safe calls: one ioctl, or one send() or write(), on the
// descriptor kept by the last arm call.
void dropLine()
{
    const int fd = keyedFd.load();
    int bits = keyedBits.load();
    const int size = releaseSize.load();
    if (fd < 0)
        return;
    if (bits) {
        ::ioctl(fd, TIOCMBIC, &bits);
    } else if (size > 0) {
        // send() for a socket: a daemon gone away must not raise SIGPIPE here.
        if (::send(fd, releaseBytes, size_t(size), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno == ENOTSOCK) {
            [[maybe_unused]] const ssize_t n = ::write(fd, releaseBytes, size_t(size));
        }
    }
}

void onSignal(int signo)
{
    const int saved = errno;
    dropLine();
    const char c = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}

// A crash: the line first, then the signal's own end (core dump included).
void onCrash(int signo)
{
    dropLine();
    ::signal(signo, SIG_DFL);
    ::raise(signo);
}

// Waits for the deadline on its own thread; never destroyed, so that the
// thread may still wait while the process ends.
struct ReleaseWatch
{
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::chrono::steady_clock::time_point> deadline;

    ReleaseWatch() { std::thread([this] { run(); }).detach(); }

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            if (!deadline) {
                changed.wait(lock);
            } else if (std::chrono::steady_clock::now() < *deadline) {
                changed.wait_until(lock, *deadline);
            } else {
                deadline.reset();
                dropLine();
                static const char text[] = "pontavel : le programme ne répond plus, émetteur relâché par sécurité.\n";
                [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, sizeof text - 1);
            }
        }
    }
};

} // namespace

void setReleaseDeadline(int ms)
{
    static ReleaseWatch *watch = nullptr;
    if (!watch) {
        if (ms < 0)
            return;
        watch = new ReleaseWatch;
    }
    {
        const std::lock_guard lock(watch->mutex);
        if (ms < 0)
            watch->deadline.reset();
        else
            watch->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    }
    watch->changed.notify_one();
}

// The descriptor goes last: a signal in between sees nothing armed rather
// than a half-written release.
void armLineRelease(int fd, int bits)
{
    keyedFd.store(-1);
    releaseSize.store(0);
    keyedBits.store(bits);
    keyedFd.store(fd);
}

bool armWriteRelease(int fd, const char *bytes, int size)
{
    keyedFd.store(-1);
    keyedBits.store(0);
    releaseSize.store(0);
    if (fd < 0 || !bytes || size <= 0 || size > int(sizeof releaseBytes))
        return fd < 0;
    std::memcpy(releaseBytes, bytes, size_t(size));
    releaseSize.store(size);
    keyedFd.store(fd);
    return true;
}

void installTransmitterSafety(QObject *owner, std::function<void()> stop)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !owner)
        return;
    // Connections to `owner` end with it: `stop` never runs on a dead transmitter.
    QObject::connect(app, &QCoreApplication::aboutToQuit, owner, stop);

    if (signalPipe[0] < 0) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [stop] {
        char c = 0;
        int signo = 0;
        while (::read(signalPipe[0], &c, 1) == 1)
            signo = c;
        stop();
        QCoreApplication::exit(signo ? 128 + signo : 1);
    });

    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    // SIGHUP: the terminal that started the program was closed.
    for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaction(signo, &sa, nullptr);
    struct sigaction crash = {};
    crash.sa_handler = onCrash;
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int signo : {SIGABRT, SIGSEGV, SIGBUS})
        sigaction(signo, &crash, nullptr);
}
