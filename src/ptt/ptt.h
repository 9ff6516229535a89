#pragma once

#include <QString>

// Press-to-talk of the transmitter, as the transmitter sees it: a serial
// line, a rigctld daemon, a sound chip's GPIO, or nothing (VOX).
class Ptt
{
public:
    virtual ~Ptt() = default;
    // Gets ready to key without keying (the port opened with its lines low,
    // the daemon reached, the device checked): false with a French text when
    // keying could not work, before anything is played.
    virtual bool prepare(QString *error)
    {
        Q_UNUSED(error);
        return true;
    }
    // The method in a few French words, for messages ("rigctld 127.0.0.1:4532").
    virtual QString description() const { return {}; }
    // Keys the transmitter; false with a French text when it cannot.
    virtual bool key(QString *error) = 0;
    // Releases; harmless when not keyed.
    virtual void release() = 0;
    virtual bool isKeyed() const = 0;
    // The line was lost while keyed (the adapter unplugged): French text, or empty.
    virtual QString lostReason() const { return {}; }
};
