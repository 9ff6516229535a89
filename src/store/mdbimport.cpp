#include "mdbimport.h"

#include <QFileInfo>

namespace MdbImport {

QString Result::counts() const
{
    const QString r = QStringLiteral("%1 relais").arg(repeaters);
    const QString c = QStringLiteral("%1 commande%2").arg(commands).arg(commands > 1 ? "s" : "");
    return settings ? QStringLiteral("%1, %2 et les réglages").arg(r, c) : QStringLiteral("%1 et %2").arg(r, c);
}

Result write(const OldDatabase &old, const QString &dbPath, bool replace,
             const std::function<bool(const Result &)> &confirm)
{
    Result res;
    CheckedNetwork checked;
    if (!check(old, &checked, &res.error) || !placeFree(dbPath, replace, &res.error))
        return res;
    res.report = checked.report;
    res.repeaters = checked.repeaters;
    res.commands = checked.commands;
    res.settings = checked.settings;

    const QString tmpPath = temporaryBeside(dbPath, &res.error);
    if (tmpPath.isEmpty())
        return res;
    if (replace && QFileInfo::exists(dbPath))
        res.backup = backupName(dbPath);
    // A "no" from the caller leaves no error: nothing went wrong.
    if (!writeTables(tmpPath, checked.tables, &res.error) || (confirm && !confirm(res))
        || !moveIntoPlace(tmpPath, dbPath, replace, &res.backup, &res.error)) {
        discard(tmpPath);
        res.backup.clear();
        return res;
    }
    res.written = true;
    return res;
}

Result importFile(const QString &mdbPath, const QString &dbPath, bool replace)
{
    OldDatabase old;
    Result res;
    if (!readMdb(mdbPath, &old, &res.error))
        return res;
    return write(old, dbPath, replace);
}

} // namespace MdbImport
