#pragma once

#include "repeater.h"
#include "settings.h"

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
    // when it does not exist. A file that is not a readable database is left
    // untouched and the store stays closed (lastError() says why, in French).
    OpenResult open(const QString &path);
    void close();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    QSqlDatabase database() const;

    // Repeaters in stored order. A row whose position fields are empty or
    // unreadable is kept, at 0.
    QVector<Repeater> repeaters(QString *error = nullptr) const;

    // The first row of Param, fields that are missing or unreadable take the
    // defaults of Settings; a CoefZoom of 0 or less reads as 10.
    Settings settings(bool *rowPresent = nullptr) const;

    // The commands of repeater `numero` in stored order, fields read by position.
    QVector<Command> commands(int numero, QString *error = nullptr) const;

    // Writes the given fields of the first Param row (creating the row when there
    // is none) in one transaction. Field names are those of the table.
    bool writeSettings(const QVariantMap &fields, QString *error = nullptr);

    bool writeIconPosition(int numero, double left, double top, QString *error = nullptr);
    bool writeLabelPosition(int numero, double left, double top, QString *error = nullptr);

    // Creates the empty command table of repeater `name` with its ten fields.
    bool CreeTable(const QString &nomtable, QString *error = nullptr);
    bool tableExists(const QString &name) const;

    // Quoted SQL identifier for a table or field name ("7" -> "\"7\"").
    static QString quoted(const QString &name);

    // Repeater number of `key` in `list`, the last match winning; `fallback`
    // when no row matches.
    static int lookupKey(const QVector<Repeater> &list, QChar key, int fallback);

    // Whole networks (demo workspace, bulk fills): appends the repeaters after the
    // existing rows, numbered on from them, each with its command table holding
    // `commands[k]`, all in one transaction.
    bool appendNetwork(const QVector<Repeater> &repeaters, const QVector<QVector<Command>> &commands,
                       QString *error = nullptr);

    static const QStringList &relaisFields();
    static const QStringList &paramFields();
    static const QStringList &commandFields();

private:
    bool createSchema(QString *error);
    QString m_connection;
    QString m_path;
    QString m_lastError;
    bool m_open = false;
};
