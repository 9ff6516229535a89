#include "systemerrors.h"

#include <QSqlError>

#include <cerrno>
#include <cstring>

namespace {

QString withDetail(const QString &words, const QString &systemText)
{
    const QString detail = systemText.simplified();
    if (detail.isEmpty() || detail == words)
        return words;
    return QStringLiteral("%1 (message du système : %2)").arg(words, detail);
}

} // namespace

namespace SystemErrors {

QString sql(const QSqlError &error)
{
    if (!error.isValid())
        return QStringLiteral("erreur inconnue de la base de données");
    // SQLite's result codes; the low byte is the primary code.
    bool known = false;
    const int code = error.nativeErrorCode().toInt(&known) & 0xff;
    QString words;
    switch (known ? code : -1) {
    case 3:
    case 23: words = QStringLiteral("accès refusé"); break;
    case 4:
    case 9: words = QStringLiteral("opération interrompue"); break;
    case 5: words = QStringLiteral("la base de données est occupée par un autre programme"); break;
    case 6: words = QStringLiteral("une table de la base de données est verrouillée"); break;
    case 7: words = QStringLiteral("mémoire insuffisante"); break;
    case 8: words = QStringLiteral("la base de données n'est accessible qu'en lecture"); break;
    case 10: words = QStringLiteral("erreur de lecture ou d'écriture sur le disque"); break;
    case 11: words = QStringLiteral("le fichier de la base de données est endommagé"); break;
    case 13: words = QStringLiteral("le disque est plein"); break;
    case 14: words = QStringLiteral("le fichier de la base de données ne peut pas être ouvert"); break;
    case 19: words = QStringLiteral("une règle de la base de données n'est pas respectée"); break;
    case 20: words = QStringLiteral("type de donnée incorrect"); break;
    case 26: words = QStringLiteral("ce fichier n'est pas une base de données"); break;
    default:
        switch (error.type()) {
        case QSqlError::ConnectionError: words = QStringLiteral("la base de données ne peut pas être ouverte"); break;
        case QSqlError::TransactionError: words = QStringLiteral("transaction refusée par la base de données"); break;
        default: words = QStringLiteral("opération refusée par la base de données"); break;
        }
    }
    return withDetail(words, error.text());
}

QString serialPort(QSerialPort::SerialPortError error, const QString &systemText)
{
    QString words;
    switch (error) {
    case QSerialPort::DeviceNotFoundError: words = QStringLiteral("ce port n'existe pas"); break;
    case QSerialPort::PermissionError:
        words = QStringLiteral("accès refusé (port utilisé par un autre programme, ou utilisateur hors du groupe dialout)");
        break;
    case QSerialPort::OpenError: words = QStringLiteral("le port est déjà ouvert"); break;
    case QSerialPort::NotOpenError: words = QStringLiteral("le port n'est pas ouvert"); break;
    case QSerialPort::WriteError:
    case QSerialPort::ReadError: words = QStringLiteral("le port ne répond plus"); break;
    case QSerialPort::ResourceError: words = QStringLiteral("le port a disparu (câble ou adaptateur débranché ?)"); break;
    case QSerialPort::UnsupportedOperationError:
        words = QStringLiteral("réglage non pris en charge par ce port"); break;
    case QSerialPort::TimeoutError: words = QStringLiteral("le port ne répond pas à temps"); break;
    default: words = QStringLiteral("erreur du port série"); break;
    }
    return withDetail(words, systemText);
}

QString soundFile(int error, const QString &systemText)
{
    QString words;
    switch (error) {
    case 1: words = QStringLiteral("format de fichier son non reconnu"); break;
    case 2: words = QStringLiteral("le fichier ne peut pas être ouvert"); break;
    case 3: words = QStringLiteral("fichier son mal formé"); break;
    case 4: words = QStringLiteral("codage du son non pris en charge"); break;
    default: words = QStringLiteral("fichier son illisible"); break;
    }
    return withDetail(words, systemText);
}

QString file(int errnum)
{
    QString words;
    switch (errnum) {
    case EACCES:
    case EPERM: words = QStringLiteral("accès refusé"); break;
    case ENOENT: words = QStringLiteral("fichier absent"); break;
    case EISDIR: words = QStringLiteral("c'est un dossier"); break;
    case EIO: words = QStringLiteral("erreur de lecture sur le disque"); break;
    case ENOMEM: words = QStringLiteral("mémoire insuffisante"); break;
    default: words = QStringLiteral("erreur du système"); break;
    }
    return withDetail(words, QString::fromLocal8Bit(std::strerror(errnum)));
}

} // namespace SystemErrors
