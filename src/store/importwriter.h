#pragma once

#include "importcheck.h"

// Writing an imported network: a new SQLite file made beside its final place,
// filled in one transaction, then moved there in one rename so that a crash
// leaves either the earlier base or the new one, never half of one.
namespace MdbImport {

// False, with a French message, when `dbPath` exists and may not be replaced.
bool placeFree(const QString &dbPath, bool replace, QString *error);
// An empty temporary file beside `dbPath`; empty with a French message when
// the folder takes no file.
QString temporaryBeside(const QString &dbPath, QString *error);
// Writes `tables` into the new SQLite file `path` in one transaction.
bool writeTables(const QString &path, const QVector<Target> &tables, QString *error);
// Moves `tmpPath` to `dbPath`. An existing `dbPath` is refused unless
// `replace`; then it is kept under *backup (chosen by backupName() when
// empty), and *backup is left empty when no earlier base was there.
bool moveIntoPlace(const QString &tmpPath, const QString &dbPath, bool replace, QString *backup, QString *error);
// Removes a temporary base that will not be used, with its journal.
void discard(const QString &tmpPath);

// relai.db -> relai-20260131-142500.db, beside it, not yet taken.
QString backupName(const QString &dbPath);

} // namespace MdbImport
