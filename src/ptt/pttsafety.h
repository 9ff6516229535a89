#pragma once

#include <functional>

class QObject;

// Releases the transmitter when the program ends: `stop` is its orderly stop,
// run on the event loop for as long as `owner` lives. On SIGINT, SIGTERM, SIGHUP
// and SIGQUIT the handler releases at once with the one call armed below (the
// keyed line dropped on the port's raw descriptor, or the release bytes
// written), then the orderly release and the quit run on the event loop; on
// SIGABRT, SIGSEGV and SIGBUS (a crash) it only releases and lets the signal
// end the process. Also when the application is about to quit.
// Call once, after the QCoreApplication exists.
void installTransmitterSafety(QObject *owner, std::function<void()> stop);

// The descriptor and modem-line bits (TIOCM_RTS, TIOCM_DTR) that are keyed
// right now, for the signal handlers; fd -1 when nothing is keyed.
void armLineRelease(int fd, int bits);

// The same for a method released by writing bytes (a daemon's command, a HID
// report): they are copied now and written on `fd` by the handlers, with no
// SIGPIPE. fd -1 disarms. False when the bytes do not fit (64 at most).
bool armWriteRelease(int fd, const char *bytes, int size);

// The limit the event loop has to release what is keyed, in ms from now
// (negative: none). Past it, a thread of its own releases it with the call
// armed above: the loop hangs (in a library, a driver), and the transmitter
// must not stay keyed with it.
void setReleaseDeadline(int ms);
