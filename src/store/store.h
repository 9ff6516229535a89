#pragma once

#include "core/repeater.h"
#include "core/settings.h"

#include <QMap>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>
#include <QVector>

// The data store: one SQLite file (relai.db) with table Relais, the settings row
// in Param and one command table per repeater named by its number ("1", "2" ...).
// Windows never run SQL themselves; they ask this class.
class Store
{
public:
    enum class OpenResult { Opened, Created, Failed };

    Store();
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Opens `path`; creates it with the tables and a settings row of defaults
    // when it does not exist. A file that is not a readable database, or that
    // another program holds locked, is left untouched and the store stays
    // closed (lastError() says why, in French). Rows that only break their
    // table's rules do not keep the file closed.
    OpenResult open(const QString &path);
    void close();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    // What the last open() found without refusing the file, in French.
    QStringList warnings() const { return m_warnings; }
    QSqlDatabase database() const;

    // Repeaters in stored order. A row whose position fields are empty or
    // unreadable is kept, at 0.
    QVector<Repeater> repeaters(QString *error = nullptr) const;

    // The first row of Param, fields that are missing or unreadable take the
    // defaults of Settings; a CoefZoom of 0 or less reads as 10.
    Settings settings(bool *rowPresent = nullptr) const;

    // The commands of repeater `numero` in stored order, fields read by position.
    // Rows that break their table's rules (found at open) are left out and
    // *skipped says which and why.
    QVector<Command> commands(int numero, QString *error = nullptr, QStringList *skipped = nullptr) const;

    // Writes the given fields of the first Param row (creating the row when there
    // is none) in one transaction. Field names are those of the table.
    bool writeSettings(const QVariantMap &fields, QString *error = nullptr);

    bool writeIconPosition(int numero, double left, double top, QString *error = nullptr);
    bool writeLabelPosition(int numero, double left, double top, QString *error = nullptr);

    // Creates the empty command table `nomtable` with its ten fields.
    bool CreeTable(const QString &nomtable, QString *error = nullptr);
    bool tableExists(const QString &name) const;

    // Quoted SQL identifier for a table or field name ("7" -> "\"7\"").
    static QString quoted(const QString &name);

    // Whole networks (demo workspace, bulk fills): appends the repeaters after the
    // existing rows, numbered on from them, each with its command table holding
    // `commands[k]`, all in one transaction.
    bool appendNetwork(const QVector<Repeater> &repeaters, const QVector<QVector<Command>> &commands,
                       QString *error = nullptr);

    // editors (the tables' fields and limits: schema.h)
    // Rows for the editors' grids in stored order, fields by position; a field
    // without a value stays a null QVariant. Relais rows hold its nine fields,
    // command rows the ten fields of a command table.
    QVector<QVariantList> repeaterRows(QString *error = nullptr) const;
    QVector<QVariantList> commandRows(int repeater, QString *error = nullptr) const;
    int repeaterCount() const;
    int commandCount(int repeater) const;
    // Appends a repeater (N° = count + 1, positions 0) and creates its command
    // table, both or neither. Returns the new number, 0 on failure.
    int addRepeater(const QString &nom, const QString &dtmf, const QString &freq, const QString &chemin,
                    QString *error = nullptr);
    bool updateRepeater(int numero, const QString &nom, const QString &dtmf, const QString &freq,
                        const QString &chemin, QString *error = nullptr);
    // Drops repeater `numero` and its command table; the following rows and
    // their tables move one number down. One transaction.
    bool deleteRepeater(int numero, QString *error = nullptr);
    // Inserts a command in front of command `before` (0: at the end) by moving
    // the contents of the following rows one place down; numbers stay in place.
    // Returns the new command's number, 0 on failure.
    int insertCommand(int repeater, int before, const Command &c, QString *error = nullptr);
    bool updateCommand(int repeater, int numero, const Command &c, QString *error = nullptr);
    bool deleteCommand(int repeater, int numero, QString *error = nullptr);
    // Writes one field (by position, 1 to 9) of command `numero`.
    bool writeCommandField(int repeater, int numero, int field, const QString &value,
                           QString *error = nullptr);

private:
    bool createSchema(QString *error);
    QMap<qint64, QString> ruleBreakers(const QString &table) const;
    QSet<QString> m_ruleTables;  // tables with rows against their rules
    QStringList m_warnings;
    QString m_connection;
    QString m_path;
    QString m_lastError;
    bool m_open = false;
};
