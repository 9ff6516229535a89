#include "cm108ptt.h"

#include "core/systemerrors.h"
#include "pttsafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A keyed pin is set again this often: a device gone shows as a write error.
constexpr int RefreshMs = 500;

// Chips whose GPIO report is known: C-Media, SSS and the AIOC.
bool knownChip(int vendor, int product)
{
    return vendor == 0x0d8c || vendor == 0x0c76 || (vendor == 0x1209 && product == 0x7388);
}

// A hidraw node as sysfs describes it: HID_NAME=..., HID_ID=0003:00000D8C:0000000C.
Cm108Ptt::HidDevice readDevice(const QString &sysRoot, const QString &node)
{
    Cm108Ptt::HidDevice d;
    d.path = QStringLiteral("/dev/") + node;
    QFile uevent(sysRoot + QStringLiteral("/class/hidraw/") + node + QStringLiteral("/device/uevent"));
    if (!uevent.open(QIODevice::ReadOnly))
        return d;
    for (const QByteArray &line : uevent.readAll().split('\n')) {
        const QList<QByteArray> ids = line.mid(7).split(':');
        if (line.startsWith("HID_NAME="))
            d.name = QString::fromUtf8(line.mid(9)).trimmed();
        else if (line.startsWith("HID_ID=") && ids.size() == 3) {
            d.vendor = ids[1].toInt(nullptr, 16);
            d.product = ids[2].toInt(nullptr, 16);
        }
    }
    return d;
}

// The USB device a sysfs link leads into: the nearest folder up with an idVendor.
QString usbDeviceOf(const QString &link)
{
    for (QString path = QFileInfo(link).canonicalFilePath(); path.count(QLatin1Char('/')) > 1;
         path.truncate(path.lastIndexOf(QLatin1Char('/'))))
        if (QFileInfo::exists(path + QStringLiteral("/idVendor")))
            return path;
    return {};
}

} // namespace

Cm108Ptt::Cm108Ptt(const QString &device, int gpio) : m_device(device.trimmed()), m_gpio(gpio) {}

Cm108Ptt::~Cm108Ptt()
{
    close();
}

void Cm108Ptt::configure(const QString &device, int gpio)
{
    close();
    m_device = device.trimmed();
    m_gpio = gpio;
}

QByteArray Cm108Ptt::report(int gpio, bool on)
{
    // Report number 0, then the chip's "write GPIO" command, the pin values
    // and the pin directions (1 = output), and an unused SPDIF byte.
    const char bit = char(1 << (std::clamp(gpio, 1, 8) - 1));
    const char bytes[5] = {0, 0, on ? bit : char(0), bit, 0};
    return QByteArray(bytes, sizeof bytes);
}

bool Cm108Ptt::write(bool on, int *errnum) const
{
    const QByteArray r = report(m_gpio, on);
    const ssize_t n = m_fd >= 0 ? ::write(m_fd, r.constData(), size_t(r.size())) : -1;
    if (n != r.size() && errnum)
        *errnum = m_fd < 0 ? EBADF : n < 0 ? errno : EIO;
    m_sinceWrite.start();
    return n == r.size();
}

QString Cm108Ptt::problem(const QString &what, int errnum) const
{
    return QStringLiteral("Périphérique PTT %1 (GPIO %2) : %3, %4.")
        .arg(m_device)
        .arg(m_gpio)
        .arg(what, SystemErrors::file(errnum));
}

QString Cm108Ptt::description() const
{
    return QStringLiteral("GPIO %1 de %2").arg(m_gpio).arg(m_device);
}

bool Cm108Ptt::open(QString *error)
{
    close();
    m_warning.clear();
    // Not through close(): nothing is written to a device that failed its checks.
    auto fail = [&](const QString &text) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (error)
            *error = text;
        return false;
    };
    if (m_gpio < 1 || m_gpio > 8)
        return fail(QStringLiteral("GPIO %1 hors de 1 à 8 dans les réglages : choisissez la broche "
                                   "reliée au PTT (la 3 le plus souvent).")
                        .arg(m_gpio));
    if (!m_device.startsWith(QLatin1Char('/')))
        return fail(QStringLiteral("Aucun périphérique hidraw valable n'est choisi pour le PTT "
                                   "(« %1 »). Choisissez-en un dans le menu Port.")
                        .arg(m_device));
    m_fd = ::open(QFile::encodeName(m_device).constData(), O_RDWR | O_CLOEXEC);
    const int err = errno;
    if (m_fd < 0 && err == ENOENT)
        return fail(QStringLiteral("Le périphérique %1 est absent : l'interface son USB n'est pas "
                                   "branchée (ou porte un autre nom). Branchez-la, ou choisissez un "
                                   "autre périphérique dans le menu Port.")
                        .arg(m_device));
    if (m_fd < 0 && (err == EACCES || err == EPERM)) {
        const HidDevice d = readDevice(QStringLiteral("/sys"), QFileInfo(m_device).fileName());
        const QString vendor = QStringLiteral("%1").arg(d.vendor >= 0 ? d.vendor : 0x0d8c, 4, 16, QLatin1Char('0'));
        return fail(QStringLiteral("Accès refusé au périphérique %1. Ajoutez une règle udev : un fichier "
                                   "/etc/udev/rules.d/70-ptt-hidraw.rules contenant la ligne "
                                   "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%2\", MODE=\"0660\", "
                                   "GROUP=\"plugdev\" ; puis tapez « sudo adduser $USER plugdev » et "
                                   "« sudo udevadm control --reload », rebranchez l'interface, fermez "
                                   "la session et reconnectez-vous.")
                        .arg(m_device, vendor));
    }
    if (m_fd < 0)
        return fail(problem(QStringLiteral("impossible de l'ouvrir"), err));
    hidraw_devinfo info = {};
    if (::ioctl(m_fd, HIDIOCGRAWINFO, &info) != 0)
        return fail(QStringLiteral("Le périphérique %1 n'est pas un périphérique HID : choisissez le "
                                   "/dev/hidrawN de l'interface son USB.")
                        .arg(m_device));
    const int vendor = quint16(info.vendor), product = quint16(info.product);
    if (!knownChip(vendor, product))
        m_warning = QStringLiteral("Le périphérique %1 (%2:%3) n'est pas une puce son à GPIO connue "
                                   "(C-Media, SSS, AIOC) : il est utilisé quand même, vérifiez que "
                                   "le PTT fonctionne.")
                        .arg(m_device)
                        .arg(vendor, 4, 16, QLatin1Char('0'))
                        .arg(product, 4, 16, QLatin1Char('0'));
    int writeErr = 0;
    if (!write(false, &writeErr))
        return fail(problem(QStringLiteral("impossible de commander la broche"), writeErr));
    return true;
}

void Cm108Ptt::close()
{
    if (m_keyed)
        armWriteRelease(-1, nullptr, 0);
    m_keyed = false;
    if (m_fd < 0)
        return;
    write(false, nullptr);
    ::close(m_fd);
    m_fd = -1;
}

bool Cm108Ptt::key(QString *error)
{
    if (m_keyed)
        return true;
    m_lost.clear();
    const bool fresh = !isOpen();
    if (fresh && !open(error))
        return false;
    // Armed before "on" is written: a signal just after still releases.
    const QByteArray off = report(m_gpio, false);
    armWriteRelease(m_fd, off.constData(), int(off.size()));
    int err = 0;
    if (write(true, &err)) {
        m_keyed = true;
        return true;
    }
    armWriteRelease(-1, nullptr, 0);
    ::close(m_fd);
    m_fd = -1;
    // A descriptor kept from before may be that of a device unplugged since:
    // once more on a fresh one.
    if (!fresh)
        return key(error);
    if (error)
        *error = problem(QStringLiteral("impossible de passer en émission"), err);
    return false;
}

void Cm108Ptt::release()
{
    if (!m_keyed)
        return;
    armWriteRelease(-1, nullptr, 0);
    m_keyed = false;
    m_lost.clear();
    if (!write(false, nullptr)) {
        ::close(m_fd);
        m_fd = -1;
    }
}

QString Cm108Ptt::lostReason() const
{
    if (!m_keyed || !m_lost.isEmpty())
        return m_lost;
    // A device unplugged reports a hang-up; one that fails otherwise, a write error.
    pollfd p{m_fd, 0, 0};
    int err = ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) ? ENODEV : 0;
    if (!err && m_sinceWrite.elapsed() >= RefreshMs)
        write(true, &err);
    if (err)
        m_lost = QStringLiteral("Le périphérique PTT %1 (GPIO %2) a disparu pendant l'émission : "
                                "l'interface son USB a été débranchée (%3). Émission arrêtée.")
                     .arg(m_device)
                     .arg(m_gpio)
                     .arg(SystemErrors::file(err));
    return m_lost;
}

QList<Cm108Ptt::HidDevice> Cm108Ptt::devices(const QString &sysRoot)
{
    QStringList nodes = QDir(sysRoot + QStringLiteral("/class/hidraw"))
                            .entryList({QStringLiteral("hidraw*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(nodes.begin(), nodes.end(), [](const QString &a, const QString &b) {
        return a.mid(6).toInt() < b.mid(6).toInt();
    });
    QList<HidDevice> list;
    for (const QString &node : nodes)
        list.append(readDevice(sysRoot, node));
    return list;
}

QString Cm108Ptt::deviceOfSoundCard(const QString &card, const QString &sysRoot)
{
    const QString sound = sysRoot + QStringLiteral("/class/sound/");
    QString node;
    bool isNumber = false;
    card.toInt(&isNumber);
    if (isNumber)
        node = QStringLiteral("card") + card.trimmed();
    for (const QString &c : QDir(sound).entryList({QStringLiteral("card*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile id(sound + c + QStringLiteral("/id"));
        if (node.isEmpty() && id.open(QIODevice::ReadOnly) && QString::fromUtf8(id.readAll()).trimmed() == card)
            node = c;
    }
    const QString usb = usbDeviceOf(sound + node + QStringLiteral("/device"));
    for (const HidDevice &d : devices(sysRoot))
        if (!usb.isEmpty() && usbDeviceOf(sysRoot + QStringLiteral("/class/hidraw/") + d.path.mid(5) + QStringLiteral("/device")) == usb)
            return d.path;
    return {};
}
