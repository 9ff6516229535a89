#pragma once

#include <functional>

class QObject;

// Releases the transmitter when the program ends: `stop` is its orderly stop,
// run on the event loop for as long as `owner` lives. On SIGINT, SIGTERM, SIGHUP
// and SIGQUIT the handler drops the keyed line at once on the port's raw
// descriptor, then the orderly release and the quit run on the event loop;
// on SIGABRT, SIGSEGV and SIGBUS (a crash) it only drops the line and lets
// the signal end the process. Also when the application is about to quit.
// Call once, after the QCoreApplication exists.
void installTransmitterSafety(QObject *owner, std::function<void()> stop);

// The descriptor and modem-line bits (TIOCM_RTS, TIOCM_DTR) that are keyed
// right now, for the signal handlers; fd -1 when nothing is keyed.
void armLineRelease(int fd, int bits);
