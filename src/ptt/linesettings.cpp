#include "linesettings.h"

#include <QStringList>

LineSettings LineSettings::parse(const QString &settings)
{
    LineSettings p;
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return p;
    p.speed = parts[0].trimmed();
    const QString parity = parts[1].trimmed();
    if (parity.size() == 1)
        p.parity = parity.at(0);
    p.dataBits = parts[2].trimmed();
    p.stopBits = parts[3].trimmed();
    return p;
}

QString LineSettings::problem() const
{
    bool ok = false;
    const qint64 baud = speed.toLongLong(&ok);
    if (!ok || baud <= 0 || baud > 4000000)
        return QStringLiteral("la vitesse « %1 » n'est pas un nombre de bauds").arg(speed);
    if (parity.isNull() || !QStringLiteral("EONMS").contains(parity.toUpper()))
        return QStringLiteral("la parité « %1 » n'est pas E, O, N, M ou S").arg(QString(parity));
    const int bits = dataBits.toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return QStringLiteral("%1 bits de données : un port série sous Linux n'accepte que 5 à 8")
            .arg(dataBits);
    if (stopBits != QLatin1String("1") && stopBits != QLatin1String("1.5") && stopBits != QLatin1String("2"))
        return QStringLiteral("les bits d'arrêt « %1 » ne sont pas 1, 1.5 ou 2").arg(stopBits);
    return {};
}

bool LineSettings::isValid() const
{
    return problem().isEmpty();
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(speed, QString(parity), dataBits, stopBits);
}

qint32 LineSettings::baudRate() const
{
    return isValid() ? speed.toInt() : 9600;
}

QSerialPort::Parity LineSettings::portParity() const
{
    switch (parity.toUpper().unicode()) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

QSerialPort::DataBits LineSettings::portDataBits() const
{
    const int bits = dataBits.toInt();
    return bits >= 5 && bits <= 8 ? QSerialPort::DataBits(bits) : QSerialPort::Data8;
}

QSerialPort::StopBits LineSettings::portStopBits() const
{
    if (stopBits == QLatin1String("2"))
        return QSerialPort::TwoStop;
    if (stopBits == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    return QSerialPort::OneStop;
}
