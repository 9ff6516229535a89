#pragma once

#include "cm108ptt.h"
#include "core/settings.h"
#include "rigctldptt.h"
#include "serialptt.h"
#include "voxptt.h"

// One keying object per method; configure() sets them from the station's
// choice and returns the one it names.
class PttSet
{
public:
    Ptt *configure(const PttChoice &choice, int comNumber, const QString &device, const QString &lineSettings);
    Ptt *chosen() const { return m_chosen; }

    SerialPtt serial;
    RigctldPtt rigctld;
    Cm108Ptt cm108;
    VoxPtt vox;

private:
    Ptt *m_chosen = &serial;
};
