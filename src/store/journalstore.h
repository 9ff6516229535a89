#pragma once

#include "core/journalentry.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

#include <deque>
#include <functional>
#include <optional>

// What the journal window and the export show: every bound is optional.
struct JournalFilter
{
    QDate from;  // local date, included; invalid: from the first row
    QDate to;    // local date, included; invalid: up to the last row
    QString repeater;  // repeater name as logged; empty: every repeater
    std::optional<JournalEntry::Outcome> outcome;
    QString text;  // found in any text column, case of ASCII letters ignored

    // " WHERE ..." (empty when nothing filters), its values appended to `binds`
    // in order. Rows are picked by their start.
    QString whereClause(QVariantList *binds) const;
};

struct JournalTotals
{
    qint64 count = 0;
    qint64 onAirMs = 0;  // rows with an unknown end count for nothing
};

// The station log: journal.db beside relai.db, one row per transmission,
// never purged. Writing never throws and never waits long: a journal that
// cannot be written makes the call return false at once, the failure is
// signalled once, and what was not written is kept in memory and tried again
// at the next call.
//
// Times are stored twice: ms since the epoch (UTC) for the index, the range
// filters and the sums of durations, which stay integer arithmetic, and UTC
// ISO 8601 text with ms so that the file reads plainly with any SQLite tool.
class JournalStore : public QObject
{
    Q_OBJECT
public:
    enum class Mode { ReadWrite, ReadOnly };

    explicit JournalStore(QObject *parent = nullptr);
    ~JournalStore() override;

    static QString fileName() { return QStringLiteral("journal.db"); }

    // Opens (ReadWrite: creates when missing) the journal at `path`. A file
    // that is not a journal is left as it is. A failure is signalled like a
    // failed write, and later writes try to open it again.
    bool open(const QString &path, Mode mode = Mode::ReadWrite);
    void close();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    bool isFailing() const { return m_failing; }
    // Operations not written yet (rows begun or finished while failing).
    int backlog() const { return int(m_backlog.size()); }

    // Writes the row as the line goes up (its end, answer and outcome are
    // ignored: the row is open). Returns its id, or when it could not be
    // written a negative id that finish() accepts all the same.
    qint64 begin(const JournalEntry &entry);
    // Completes the row as the line drops, and again when the operator's
    // answer comes. False when it is not written yet, or was not begun here.
    bool finish(qint64 id, const QDateTime &end, JournalEntry::Answer answer, JournalEntry::Outcome outcome,
                const QString &keysPlayed);
    // At start: rows left open by a program that died with the line up become
    // "interrompu", their end left unknown. Returns how many, -1 on failure.
    int markInterrupted();
    // Tries to write what is held in memory; true when nothing is left.
    bool flush();

    // Reading, through a connection of its own that never holds up writes.
    QSqlDatabase readDatabase() const;
    std::optional<JournalEntry> entry(qint64 id) const;
    // Rows picked by `filter`, newest first, until `visit` returns false.
    bool forEach(const JournalFilter &filter, const std::function<bool(const JournalEntry &)> &visit,
                 QString *error = nullptr) const;
    JournalTotals totals(const JournalFilter &filter, QString *error = nullptr) const;
    // Repeater names found in the journal, sorted.
    QStringList repeaterNames() const;

    // Stored columns in the order selectSql() returns them.
    static const QStringList &columns();
    // The rows of `filter` newest first, `select` (default: columns()) of each.
    static QString selectSql(const JournalFilter &filter, QVariantList *binds, const QStringList &select = {});
    static JournalEntry entryFromValues(const QVariantList &values);
    static QString utcText(const QDateTime &t);

signals:
    // Once when writing starts failing (message in French), once when it works again.
    void writeFailed(const QString &message);
    void writeRecovered();
    // Rows were written: the window may read again.
    void changed();

private:
    struct Operation
    {
        bool insert = false;
        qint64 key = 0;  // caller's id: negative until the row exists
        JournalEntry entry;
    };
    bool openConnections(QString *error);
    bool createSchema(QString *error);
    bool run(Operation &op, QString *error);
    void enqueue(Operation op);
    void failed(const QString &why);
    void succeeded();

    QString m_writer;
    QString m_reader;
    QString m_path;
    QString m_lastError;
    Mode m_mode = Mode::ReadWrite;
    bool m_open = false;
    bool m_failing = false;
    qint64 m_nextKey = 0;
    std::deque<Operation> m_backlog;
    QHash<qint64, qint64> m_rowOfKey;  // negative key -> row id once written
    QSet<qint64> m_begun;              // ids begin() gave
};
