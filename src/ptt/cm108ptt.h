#pragma once

#include "ptt.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

// The transmitter's PTT on a GPIO pin of a USB sound chip (CM108, CM119,
// SSS1621/23, AIOC), reached through its /dev/hidrawN device: each change is
// one HID output report. The device is opened on the first key (or by open())
// and kept; it is set to "off" when it opens and when it closes.
class Cm108Ptt : public Ptt
{
public:
    static constexpr int DefaultGpio = 3;

    struct HidDevice
    {
        QString path;     // /dev/hidrawN
        QString name;     // the name the device gives itself
        int vendor = -1;  // USB ids, -1 when unknown
        int product = -1;
    };

    explicit Cm108Ptt(const QString &device = {}, int gpio = DefaultGpio);
    ~Cm108Ptt() override;
    Q_DISABLE_COPY_MOVE(Cm108Ptt)

    // The hidraw device and the GPIO wired to PTT (1 to 8); closes the old one.
    void configure(const QString &device, int gpio = DefaultGpio);
    QString device() const { return m_device; }
    int gpio() const { return m_gpio; }

    // Opens and checks the device and sets the pin off; false with a French text.
    bool open(QString *error);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // After open(): why this device may not drive the pin (an unknown chip), or empty.
    QString warning() const { return m_warning; }

    bool prepare(QString *error) override { return isOpen() || open(error); }
    QString description() const override;
    bool key(QString *error) override;
    void release() override;
    bool isKeyed() const override { return m_keyed; }
    QString lostReason() const override;

    // The output report that sets `gpio` on or off.
    static QByteArray report(int gpio, bool on);
    // The hidraw devices of the machine, in number order.
    static QList<HidDevice> devices(const QString &sysRoot = QStringLiteral("/sys"));
    // The hidraw device on the same USB device as an ALSA sound card (its
    // number or its id, e.g. "1" or "Device"); empty when there is none.
    static QString deviceOfSoundCard(const QString &card, const QString &sysRoot = QStringLiteral("/sys"));

private:
    bool write(bool on, int *errnum) const;
    QString problem(const QString &what, int errnum) const;

    QString m_device;
    int m_gpio;
    int m_fd = -1;
    bool m_keyed = false;
    QString m_warning;
    mutable QString m_lost;
    mutable QElapsedTimer m_sinceWrite;
};
