#pragma once

#include <QSerialPort>
#include <QString>

class QSqlError;

// Errors of the system and its libraries (the database engine, the serial
// port, sound files) in the program's own French words. The system's
// text, often English, is kept behind as a detail for whoever has to dig.
namespace SystemErrors {

QString sql(const QSqlError &error);
QString serialPort(QSerialPort::SerialPortError error, const QString &systemText);
// libsndfile's error number (sf_error) and text (sf_strerror).
QString soundFile(int error, const QString &systemText);
// An errno value of a file operation.
QString file(int errnum);

} // namespace SystemErrors
