#include "serialptt.h"

#include "core/systemerrors.h"
#include "pttsafety.h"

#include <QFileInfo>

#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString lineName(PttLine line)
{
    return line == PttLine::Dtr ? QStringLiteral("DTR")
           : line == PttLine::Both ? QStringLiteral("RTS et DTR")
                                  : QStringLiteral("RTS");
}
} // namespace

SerialPtt::SerialPtt() = default;

SerialPtt::~SerialPtt()
{
    release();
}

void SerialPtt::configure(int comNumber, const QString &device, const QString &lineSettings, PttLine line)
{
    release();
    m_comNumber = comNumber;
    m_device = device.trimmed();
    m_settings = LineSettings::parse(lineSettings);
    m_line = line;
}

QString SerialPtt::openError(const QString &device, QSerialPort::SerialPortError error,
                             const QString &systemText)
{
    const QByteArray path = QFile::encodeName(device);
    struct stat st;
    const bool present = ::stat(path.constData(), &st) == 0;
    if (error == QSerialPort::DeviceNotFoundError || !present)
        return QStringLiteral("Le périphérique %1 est absent : l'interface série n'est pas branchée "
                              "(ou porte un autre nom). Branchez-la, ou choisissez un autre "
                              "périphérique dans le menu Port.")
            .arg(device);
    // Qt reports a port held by another program (its lock file, TIOCEXCL)
    // as a permission error too: the account's own rights tell them apart.
    const bool allowed = ::access(path.constData(), R_OK | W_OK) == 0;
    if (error == QSerialPort::PermissionError && !allowed) {
        const struct group *g = ::getgrgid(st.st_gid);
        const QString group = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
        return QStringLiteral("Accès refusé au périphérique %1 : votre compte doit faire partie du "
                              "groupe « %2 » qui le possède. Tapez « sudo adduser $USER %2 » puis "
                              "fermez la session et reconnectez-vous pour que cela prenne effet.")
            .arg(device, group);
    }
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError
        || systemText.contains(QLatin1String("busy"), Qt::CaseInsensitive))
        return QStringLiteral("Le périphérique %1 est occupé : un autre programme l'utilise. "
                              "Fermez cet autre programme puis recommencez.")
            .arg(device);
    return QStringLiteral("Impossible d'ouvrir le périphérique %1 : %2").arg(device, SystemErrors::serialPort(error, systemText));
}

bool SerialPtt::setLines(bool on)
{
    const bool rts = m_line != PttLine::Dtr;
    const bool dtr = m_line != PttLine::Rts;
    bool ok = true;
    if (rts)
        ok = m_port.setRequestToSend(on) && ok;
    if (dtr)
        ok = m_port.setDataTerminalReady(on) && ok;
    return ok;
}

bool SerialPtt::fail(const QString &text, QString *error)
{
    if (error)
        *error = QStringLiteral("Port Com%1 : %2").arg(m_comNumber).arg(text);
    if (m_port.isOpen()) {
        setLines(false);
        m_port.close();
    }
    return false;
}

QString SerialPtt::description() const
{
    return QStringLiteral("ligne %1 du port Com%2 (%3)").arg(lineName(m_line)).arg(m_comNumber).arg(m_device);
}

bool SerialPtt::prepare(QString *error)
{
    if (m_port.isOpen())
        return true;
    if (m_comNumber < 1 || m_comNumber > 16)
        return fail(QStringLiteral("numéro de port hors de 1 à 16 dans les réglages. Choisissez un "
                                   "port dans le menu Port."), error);
    // A relative or empty name would be looked up in the working folder, or
    // worse, taken for the machine's console.
    if (m_device.isEmpty() || !m_device.startsWith(QLatin1Char('/')))
        return fail(QStringLiteral("aucun périphérique valable n'est associé à ce port (« %1 »). "
                                   "Choisissez-en un dans le menu Port.")
                        .arg(m_device), error);
    if (!m_settings.isValid())
        return fail(QStringLiteral("réglages « %1 » invalides (%2). Corrigez-les dans le menu Port.")
                        .arg(m_settings.toString(), m_settings.problem()), error);
    // Opening a port raises both its lines: it is opened only to key, so that
    // the PTT line never pulses before the lead-in. What can be told without
    // opening it is told here, before any tone.
    const QByteArray path = QFile::encodeName(m_device);
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return fail(openError(m_device, QSerialPort::DeviceNotFoundError, {}), error);
    if (::access(path.constData(), R_OK | W_OK) != 0)
        return fail(openError(m_device, QSerialPort::PermissionError, {}), error);
    return true;
}

bool SerialPtt::key(QString *error)
{
    if (m_keyed)
        return true;
    if (!prepare(error))
        return false;
    m_port.setPortName(m_device);
    m_port.setBaudRate(m_settings.baudRate());
    m_port.setParity(m_settings.portParity());
    m_port.setDataBits(m_settings.portDataBits());
    m_port.setStopBits(m_settings.portStopBits());
    // No flow control: the driver must not take RTS over.
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return fail(openError(m_device, m_port.error(), m_port.errorString()), error);
    // Opening raised both lines: the one that is not PTT goes down first.
    auto lower = [&](PttLine line) {
        return fail(QStringLiteral("impossible de baisser %1 sur %2 : %3")
                        .arg(lineName(line), m_device, SystemErrors::serialPort(m_port.error(), m_port.errorString())),
                    error);
    };
    if (m_line == PttLine::Rts && !m_port.setDataTerminalReady(false))
        return lower(PttLine::Dtr);
    if (m_line == PttLine::Dtr && !m_port.setRequestToSend(false))
        return lower(PttLine::Rts);
    if (!setLines(true))
        return fail(QStringLiteral("impossible de lever %1 sur %2 : %3")
                        .arg(lineName(m_line), m_device,
                             SystemErrors::serialPort(m_port.error(), m_port.errorString())), error);
    m_keyed = true;
    armLineRelease(int(m_port.handle()), (m_line != PttLine::Dtr ? TIOCM_RTS : 0)
                                             | (m_line != PttLine::Rts ? TIOCM_DTR : 0));
    return true;
}

void SerialPtt::release()
{
    if (m_keyed)
        armLineRelease(-1, 0);
    if (m_port.isOpen()) {
        setLines(false);
        m_port.close();
    }
    m_keyed = false;
}

bool SerialPtt::isKeyed() const
{
    return m_keyed;
}

QString SerialPtt::lostReason() const
{
    if (!m_keyed)
        return {};
    // An unplugged adapter hangs the tty up: the descriptor then reports
    // POLLHUP or POLLERR (a pty whose other side went away does the same).
    const QSerialPort::SerialPortError e = m_port.error();
    pollfd p{int(m_port.handle()), 0, 0};
    const bool hungUp = m_port.isOpen() && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
    if (hungUp || e == QSerialPort::ResourceError || e == QSerialPort::ReadError || !QFileInfo::exists(m_device))
        return QStringLiteral("Le port Com%1 (%2) a disparu pendant l'émission : l'interface série "
                              "a été débranchée. Émission arrêtée.")
            .arg(m_comNumber)
            .arg(m_device);
    return {};
}
