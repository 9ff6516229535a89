#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// Reading the old Access file relai.mdb (libmdb): the tables of the network
// as they are stored, before any rule of the program is applied.
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

} // namespace MdbImport
