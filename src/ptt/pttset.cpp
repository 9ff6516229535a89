#include "pttset.h"

Ptt *PttSet::configure(const PttChoice &choice, int comNumber, const QString &device, const QString &lineSettings)
{
    // configure() releases what it changes; those not chosen are released too.
    serial.configure(comNumber, device, lineSettings, choice.pttLine);
    if (choice.rigctldHost.trimmed() != rigctld.host() || choice.rigctldPort != rigctld.port())
        rigctld.configure(choice.rigctldHost, choice.rigctldPort);
    if (choice.cm108Device.trimmed() != cm108.device() || choice.cm108Gpio != cm108.gpio())
        cm108.configure(choice.cm108Device, choice.cm108Gpio);
    vox.release();
    switch (choice.method) {
    case PttMethod::Serial: m_chosen = &serial; break;
    case PttMethod::Rigctld: m_chosen = &rigctld; break;
    case PttMethod::Cm108: m_chosen = &cm108; break;
    case PttMethod::Vox: m_chosen = &vox; break;
    }
    if (m_chosen != &rigctld)
        rigctld.release();
    if (m_chosen != &cm108)
        cm108.close();
    return m_chosen;
}
