#pragma once

#include <QString>

// Press-to-talk line of the transmitter, as the transmitter sees it: the
// program gives it the serial port's line, tests a double.
class Ptt
{
public:
    virtual ~Ptt() = default;
    // Keys the transmitter; false with a French text when it cannot.
    virtual bool key(QString *error) = 0;
    // Releases; harmless when not keyed.
    virtual void release() = 0;
    virtual bool isKeyed() const = 0;
    // The line was lost while keyed (the adapter unplugged): French text, or empty.
    virtual QString lostReason() const { return {}; }
};
