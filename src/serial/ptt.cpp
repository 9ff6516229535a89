#include "ptt.h"

#include "core/systemerrors.h"

#include "portbinding.h"

SerialPtt::SerialPtt() = default;

SerialPtt::~SerialPtt()
{
    release();
}

void SerialPtt::configure(int comNumber, const QString &settings)
{
    m_comNumber = comNumber > 0 ? comNumber : 1;
    m_line = parseSettings(settings);
}

QString SerialPtt::device() const
{
    return PortBinding::device(m_comNumber);
}

SerialPtt::LineSettings SerialPtt::parseSettings(const QString &settings)
{
    LineSettings line;
    const QStringList f = settings.split(QLatin1Char(','));
    bool ok = false;
    if (f.size() > 0) {
        const int baud = f[0].trimmed().toInt(&ok);
        if (ok && baud > 0)
            line.baudRate = baud;
    }
    if (f.size() > 1) {
        const QString p = f[1].trimmed().toUpper();
        if (p == QLatin1String("E"))
            line.parity = QSerialPort::EvenParity;
        else if (p == QLatin1String("O"))
            line.parity = QSerialPort::OddParity;
        else if (p == QLatin1String("M"))
            line.parity = QSerialPort::MarkParity;
        else if (p == QLatin1String("S"))
            line.parity = QSerialPort::SpaceParity;
    }
    if (f.size() > 2) {
        const int bits = f[2].trimmed().toInt(&ok);
        if (ok && bits >= 5 && bits <= 8)
            line.dataBits = QSerialPort::DataBits(bits);
    }
    if (f.size() > 3) {
        const QString s = f[3].trimmed();
        if (s == QLatin1String("2"))
            line.stopBits = QSerialPort::TwoStop;
        else if (s == QLatin1String("1.5"))
            line.stopBits = QSerialPort::OneAndHalfStop;
    }
    return line;
}

bool SerialPtt::key(QString *error)
{
    if (m_keyed)
        return true;
    const QString dev = device();
    auto fail = [&](const QString &what) {
        if (error)
            *error = QStringLiteral("%1 le port COM%2 (%3) : %4")
                         .arg(what)
                         .arg(m_comNumber)
                         .arg(dev, SystemErrors::serialPort(m_port.error(), m_port.errorString()));
        if (m_port.isOpen())
            m_port.close();
        return false;
    };
    m_port.setPortName(dev);
    m_port.setBaudRate(m_line.baudRate);
    m_port.setParity(m_line.parity);
    m_port.setDataBits(m_line.dataBits);
    m_port.setStopBits(m_line.stopBits);
    // No flow control: the driver must not take RTS over.
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return fail(QStringLiteral("Impossible d'ouvrir"));
    if (!m_port.setRequestToSend(true))
        return fail(QStringLiteral("Impossible de lever RTS sur"));
    m_keyed = true;
    return true;
}

void SerialPtt::release()
{
    if (m_port.isOpen()) {
        m_port.setRequestToSend(false);
        m_port.close();
    }
    m_keyed = false;
}

bool SerialPtt::isKeyed() const
{
    return m_keyed;
}
