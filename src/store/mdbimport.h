#pragma once

#include "importwriter.h"
#include "mdbreader.h"

#include <functional>

// Bringing a network over from the old Access file relai.mdb into relai.db:
// read (mdbreader.h), checked against the program's tables (importcheck.h),
// then written (importwriter.h). Reading and writing are apart so that what
// was read can be checked and shown before anything is replaced.
namespace MdbImport {

struct Result
{
    bool written = false;
    QString error;          // why nothing was written (empty when the caller said no)
    QStringList report;     // each row that broke the rules, and what became of it
    int repeaters = 0;
    int commands = 0;
    bool settings = false;  // a settings row was imported
    // Where the replaced relai.db is kept: named before the caller is asked,
    // so that the question names the file written.
    QString backup;
    // "6 relais, 37 commandes et les réglages"
    QString counts() const;
};

// Checks `old` against the data model and writes it to `dbPath` in one
// transaction, through a temporary file renamed into place at the end. An
// existing `dbPath` is refused unless `replace`; then it is kept beside it
// under backupName().
// `confirm`, when given, sees the counts, the report and the backup's name
// once the temporary file is complete; false leaves everything as it was.
Result write(const OldDatabase &old, const QString &dbPath, bool replace,
             const std::function<bool(const Result &)> &confirm = {});
Result importFile(const QString &mdbPath, const QString &dbPath, bool replace);

} // namespace MdbImport
