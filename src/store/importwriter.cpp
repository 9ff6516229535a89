#include "importwriter.h"

#include "schema.h"
#include "transaction.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace MdbImport {

namespace {

// The old file's column as SQLite declares it: its Jet type, text limited to
// its length, held to it by a rule in the command tables.
QString columnSql(const Column &c, bool limitText)
{
    const QString name = Schema::quoted(c.name);
    switch (c.kind) {
    case Kind::Integer:
        return name + QStringLiteral(" INTEGER");
    case Kind::Real:
        return name + QStringLiteral(" REAL");
    case Kind::Other:
        return name + QStringLiteral(" BLOB");
    case Kind::Text:
        break;
    }
    if (c.size <= 0)
        return name + QStringLiteral(" TEXT");
    QString sql = QStringLiteral("%1 VARCHAR(%2)").arg(name, QString::number(c.size));
    if (limitText)
        sql += QStringLiteral(" CHECK (length(%1) <= %2)").arg(name, QString::number(c.size));
    return sql;
}

bool fill(const QSqlDatabase &db, const QVector<Target> &tables, QString *error)
{
    Transaction t(db);
    QSqlQuery q(db);
    bool ok = t.begun();
    for (const Target &table : tables) {
        if (!ok)
            break;
        QStringList cols, marks;
        for (const Column &c : table.columns) {
            cols << columnSql(c, table.limitText);
            marks << QStringLiteral("?");
        }
        const QString name = Schema::quoted(table.name);
        ok = q.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(name, cols.join(QStringLiteral(", "))))
             && q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(name, marks.join(u',')));
        for (const QVariantList &row : table.rows) {
            if (!ok)
                break;
            for (const QVariant &v : row)
                q.addBindValue(v);
            ok = q.exec();
        }
    }
    if (ok)
        ok = t.commit();
    if (!ok)
        *error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
    return ok;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

void syncFolder(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString alreadyThere(const QString &dbPath)
{
    return QStringLiteral("%1 existe déjà ; elle n'a pas été remplacée. Rien n'a été importé.")
        .arg(QDir::toNativeSeparators(dbPath));
}

} // namespace

bool placeFree(const QString &dbPath, bool replace, QString *error)
{
    if (replace || !QFileInfo::exists(dbPath))
        return true;
    *error = alreadyThere(dbPath);
    return false;
}

// Beside the target, so that the last step is one rename on the same file system.
QString temporaryBeside(const QString &dbPath, QString *error)
{
    const QFileInfo target(dbPath);
    const QString dir = target.absolutePath();
    QTemporaryFile tmp(QDir(dir).filePath(QStringLiteral(".%1.import-XXXXXX").arg(target.fileName())));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
        *error = QStringLiteral("Impossible d'écrire dans le dossier %1 : %2. Rien n'a été importé.")
                     .arg(QDir::toNativeSeparators(dir), tmp.errorString());
        return {};
    }
    return tmp.fileName();
}

bool writeTables(const QString &path, const QVector<Target> &tables, QString *error)
{
    const QString connection = QStringLiteral("pontavel-import-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open() && fill(db, tables, &why);
        if (!ok && why.isEmpty())
            why = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok)
        *error = QStringLiteral("Impossible d'écrire la nouvelle base : %1. Rien n'a été importé.").arg(why);
    return ok;
}

void discard(const QString &tmpPath)
{
    QFile::remove(tmpPath);
    QFile::remove(tmpPath + QStringLiteral("-journal"));
}

bool moveIntoPlace(const QString &tmpPath, const QString &dbPath, bool replace, QString *backup, QString *error)
{
    const QString chosen = *backup;
    backup->clear();
    const QFileInfo target(dbPath);
    const QByteArray from = QFile::encodeName(tmpPath);
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (!replace) {
        // No window between looking and writing: the rename itself refuses.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
            if (errno == EEXIST) {
                *error = alreadyThere(dbPath);
                return false;
            }
            if ((errno != EINVAL && errno != ENOSYS) || QFileInfo::exists(dbPath)
                || ::rename(from.constData(), to.constData()) != 0) {
                *error = QStringLiteral("Impossible de créer %1 : %2. Rien n'a été importé.")
                             .arg(QDir::toNativeSeparators(dbPath), systemError());
                return false;
            }
        }
    } else {
        QString kept;
        if (QFileInfo::exists(dbPath)) {
            kept = chosen.isEmpty() ? backupName(dbPath) : chosen;
            const QByteArray keep = QFile::encodeName(kept);
            if (::link(to.constData(), keep.constData()) != 0 && !QFile::copy(dbPath, kept)) {
                *error = QStringLiteral("Impossible de garder l'ancienne base sous %1. Rien n'a été importé.")
                             .arg(QDir::toNativeSeparators(kept));
                return false;
            }
        }
        if (::rename(from.constData(), to.constData()) != 0) {
            const QString why = systemError();
            if (!kept.isEmpty())
                QFile::remove(kept);
            *error = QStringLiteral("Impossible de remplacer %1 : %2. Rien n'a été importé.")
                         .arg(QDir::toNativeSeparators(dbPath), why);
            return false;
        }
        *backup = kept;
    }
    syncFolder(target.absolutePath());
    return true;
}

QString backupName(const QString &dbPath)
{
    const QFileInfo fi(dbPath);
    const QString stem = fi.dir().filePath(fi.completeBaseName() + QDateTime::currentDateTime().toString(u"-yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QStringLiteral("-%1.db").arg(n);
    return name;
}

} // namespace MdbImport
