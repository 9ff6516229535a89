#pragma once

#include <QString>
#include <QStringList>

// The stored port number ("Com1".."Com16") stays what the settings row holds;
// on Linux each number is bound, per user, to a device file.
namespace PortBinding {

// /dev/ttyS0 for Com1, /dev/ttyS1 for Com2...
QString defaultDevice(int comNumber);

// The device bound to the number (per-user settings), or the default one.
QString device(int comNumber);
void setDevice(int comNumber, const QString &devicePath);

// Devices worth offering: serial ports Qt finds (USB adapters first), the
// stable /dev/serial/by-id links, and the bound and default devices.
QStringList candidates(int comNumber);

} // namespace PortBinding
