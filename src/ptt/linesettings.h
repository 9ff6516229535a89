#pragma once

#include <QSerialPort>
#include <QString>

// A serial settings string "speed,parity,data bits,stop bits" ("9600,N,8,1",
// stop bits may be "1.5") taken apart. The one reading of that string: the
// serial port dialog shows it and the port applies it.
struct LineSettings
{
    QString speed;
    QChar parity;       // as written, any case
    QString dataBits;
    QString stopBits;

    // A string that is not four fields gives empty parts.
    static LineSettings parse(const QString &settings);
    // Speed a whole number, parity one of E, O, N, M, S, data bits 5 to 8
    // (what a Linux serial port can do) and stop bits 1, 1.5 or 2.
    bool isValid() const;
    // Why isValid() is false, in French (empty when valid).
    QString problem() const;
    QString toString() const;

    qint32 baudRate() const;
    QSerialPort::Parity portParity() const;
    QSerialPort::DataBits portDataBits() const;
    QSerialPort::StopBits portStopBits() const;
};
