#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

// Bringing a network over from the old Access file relai.mdb into relai.db.
// Reading and writing are apart so that what was read can be checked and
// shown before anything is replaced.
namespace MdbImport {

enum class Kind { Integer, Real, Text, Other };

struct Column
{
    QString name;
    Kind kind = Kind::Text;
    int size = 0;  // characters, for text limited in length; 0 otherwise
};

// One table of the old file: its columns in their order and its rows in
// stored order; a NULL cell is a null QVariant, an empty text an empty string.
struct Table
{
    QString name;
    QVector<Column> columns;
    QVector<QVariantList> rows;
};

struct OldDatabase
{
    QVector<Table> tables;      // the tables of the network, read in full
    QStringList otherTables;    // user tables that belong to no repeater, not read
    const Table *find(const QString &name) const;
};

// Reads the network's tables from `mdbPath`. The file is read into memory
// and never written. False with a French message when it cannot be used.
bool readMdb(const QString &mdbPath, OldDatabase *out, QString *error);
// The same from the bytes of a file called `name` in messages (what a fuzz
// target would feed).
bool readMdbData(const QByteArray &data, const QString &name, OldDatabase *out, QString *error);

struct Result
{
    bool written = false;
    QString error;          // why nothing was written (empty when the caller said no)
    QStringList report;     // each row that broke the rules, and what became of it
    int repeaters = 0;
    int commands = 0;
    bool settings = false;  // a settings row was imported
    QString backup;         // where the replaced relai.db was kept
    // "6 relais, 37 commandes et les réglages"
    QString counts() const;
};

// Checks `old` against the data model and writes it to `dbPath` in one
// transaction, through a temporary file renamed into place at the end. An
// existing `dbPath` is refused unless `replace`; then it is kept beside it
// under backupName().
// `confirm`, when given, sees the counts and the report once the temporary
// file is complete; false leaves everything as it was.
Result write(const OldDatabase &old, const QString &dbPath, bool replace,
             const std::function<bool(const Result &)> &confirm = {});
Result importFile(const QString &mdbPath, const QString &dbPath, bool replace);

// relai.db -> relai-20260131-142500.db, beside it, not yet taken.
QString backupName(const QString &dbPath);

} // namespace MdbImport
