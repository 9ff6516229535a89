#pragma once

#include <QString>
#include <QStringList>

// The stored port number ("Com1".."Com16") stays what the settings row holds;
// on Linux each number is bound, per user, to a device file.
namespace PortBinding {

// Devices worth offering: `first` (the bound and default devices), then the
// serial ports Qt finds (USB adapters first) and the stable /dev/serial/by-id links.
QStringList candidates(const QStringList &first);

} // namespace PortBinding
