#pragma once

#include "ptt.h"

// No keying at all: the radio's VOX keys on the sound itself. It still says
// it is keyed while a transmission runs, so that the transmit indicator, the
// transmit limit and the tail apply as with every other method.
class VoxPtt : public Ptt
{
public:
    bool key(QString *) override
    {
        m_keyed = true;
        return true;
    }
    void release() override { m_keyed = false; }
    bool isKeyed() const override { return m_keyed; }
    QString description() const override { return QStringLiteral("VOX"); }

private:
    bool m_keyed = false;
};
