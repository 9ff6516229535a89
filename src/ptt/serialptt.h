#pragma once

#include "ptt.h"
#include "core/settings.h"
#include "linesettings.h"

#include <QSerialPort>
#include <QString>

// The transmitter's PTT on a serial port's modem line (RTS, DTR or both):
// keyed = port open and line on, released = line off and port closed. Linux
// raises RTS and DTR when a port opens: the line not used for PTT is dropped
// at once, before anything is keyed. The close-time hang-up (HUPCL) is left as
// the kernel sets it, so the line also drops when the process dies.
class SerialPtt : public Ptt
{
public:
    SerialPtt();
    ~SerialPtt() override;

    // The device of the station's port, its line settings and the PTT line.
    void configure(int comNumber, const QString &device, const QString &lineSettings,
                   PttLine line = PttLine::Rts);
    QString device() const { return m_device; }
    PttLine line() const { return m_line; }

    bool prepare(QString *error) override;
    QString description() const override;
    bool key(QString *error) override;
    void release() override;
    bool isKeyed() const override;
    QString lostReason() const override;

    // A French sentence for a port that cannot be opened, that says what to do.
    static QString openError(const QString &device, QSerialPort::SerialPortError error,
                             const QString &systemText);

private:
    bool setLines(bool on);
    bool fail(const QString &text, QString *error);

    QSerialPort m_port;
    int m_comNumber = 1;
    QString m_device;
    LineSettings m_settings = LineSettings::parse(QStringLiteral("9600,N,8,1"));
    PttLine m_line = PttLine::Rts;
    bool m_keyed = false;
};
