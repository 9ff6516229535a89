#pragma once

class Transmitter;

// Releases the transmitter when the program ends: on SIGINT and SIGTERM (the
// handler only writes to a pipe; the release and the quit run on the event
// loop) and when the application is about to quit. Call once, after the
// QCoreApplication exists.
void installTransmitterSafety(Transmitter *transmitter);
