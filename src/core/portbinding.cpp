#include "portbinding.h"

#include <QDir>
#include <QSerialPortInfo>
#include <QSettings>

namespace {
QString key(int comNumber)
{
    return QStringLiteral("Ports/Com%1").arg(comNumber);
}
}

namespace PortBinding {

QString defaultDevice(int comNumber)
{
    return QStringLiteral("/dev/ttyS%1").arg(qMax(0, comNumber - 1));
}

QString device(int comNumber)
{
    // A stored value is kept as it is, even blank or relative: the port
    // refuses it rather than fall back to a device that may be the console.
    const QSettings settings;
    if (!settings.contains(key(comNumber)))
        return defaultDevice(comNumber);
    return settings.value(key(comNumber)).toString().trimmed();
}

void setDevice(int comNumber, const QString &devicePath)
{
    QSettings settings;
    if (devicePath.trimmed().isEmpty() || devicePath == defaultDevice(comNumber))
        settings.remove(key(comNumber));
    else
        settings.setValue(key(comNumber), devicePath.trimmed());
}

QStringList candidates(int comNumber)
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
    for (const QString &path : {device(comNumber), defaultDevice(comNumber)})
        if (!list.contains(path))
            list.prepend(path);
    list.removeDuplicates();
    return list;
}

} // namespace PortBinding
