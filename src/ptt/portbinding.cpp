#include "portbinding.h"

#include <QDir>
#include <QSerialPortInfo>

namespace PortBinding {

QStringList candidates(const QStringList &first)
{
    QStringList usb, other;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        if (path.contains(QLatin1String("ttyUSB")) || path.contains(QLatin1String("ttyACM")))
            usb << path;
        else
            other << path;
    }
    usb.sort();
    other.sort();
    QStringList list = usb;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString &name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        list << byId.filePath(name);
    list << other;
    for (auto it = first.crbegin(); it != first.crend(); ++it)
        if (!list.contains(*it))
            list.prepend(*it);
    list.removeDuplicates();
    return list;
}

} // namespace PortBinding
