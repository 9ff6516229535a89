#pragma once

#include <QSerialPort>
#include <QString>

// Press-to-talk line of the transmitter.
class Ptt
{
public:
    virtual ~Ptt() = default;
    // Keys the transmitter; false with a French text when it cannot.
    virtual bool key(QString *error) = 0;
    // Releases; harmless when not keyed.
    virtual void release() = 0;
    virtual bool isKeyed() const = 0;
};

// RTS of a serial port: keyed = port open and RTS on, released = RTS off and
// port closed. The close-time hang-up (HUPCL) is left as the kernel sets it,
// so the line also drops when the process dies.
class SerialPtt : public Ptt
{
public:
    SerialPtt();
    ~SerialPtt() override;

    // Port number of the settings row (bound to a device by PortBinding) and
    // its line settings ("9600,N,8,1"); unusable fields keep their defaults.
    void configure(int comNumber, const QString &settings);
    QString device() const;

    bool key(QString *error) override;
    void release() override;
    bool isKeyed() const override;

    struct LineSettings
    {
        qint32 baudRate = 9600;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };
    static LineSettings parseSettings(const QString &settings);

private:
    QSerialPort m_port;
    int m_comNumber = 1;
    LineSettings m_line;
    bool m_keyed = false;
};
