#include "pttsafety.h"

#include "audio/transmitter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signo)
{
    const int saved = errno;
    const char c = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}

} // namespace

void installTransmitterSafety(Transmitter *transmitter)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !transmitter)
        return;
    QPointer<Transmitter> tx(transmitter);
    QObject::connect(app, &QCoreApplication::aboutToQuit, transmitter, [tx] {
        if (tx)
            tx->stop();
    });

    if (signalPipe[0] < 0) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, transmitter);
    QObject::connect(notifier, &QSocketNotifier::activated, transmitter, [tx] {
        char c = 0;
        int signo = 0;
        while (::read(signalPipe[0], &c, 1) == 1)
            signo = c;
        if (tx)
            tx->stop();
        QCoreApplication::exit(signo ? 128 + signo : 1);
    });

    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}
