#include "journalstore.h"

#include "core/systemerrors.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>


namespace {

// Held in memory while the journal cannot be written: hours of a busy station.
constexpr std::size_t MaxBacklog = 2000;

// Short: a journal held by another program must not stall the transmitter.
const QString ConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=100");

const QString Table = QStringLiteral("transmissions");

// Where the free text of a filter is looked for.
const char *const SearchedColumns[] = {"repeater_name", "repeater_key", "repeater_freq", "command_tx",
                                       "command_rx",    "sequence",     "keys_played",   "ptt_method",
                                       "ptt_port",      "sound_output", "callsign",      "place"};

QVariant text(const QString &s)
{
    // Empty, never NULL: the text filter and other tools see one kind of blank.
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}

QVariant msOrNull(const QDateTime &t)
{
    return t.isValid() ? QVariant(t.toMSecsSinceEpoch()) : QVariant();
}

QVariant utcOrNull(const QDateTime &t)
{
    return t.isValid() ? QVariant(JournalStore::utcText(t)) : QVariant();
}

QDateTime fromMs(const QVariant &v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
}

qint64 localMidnightMs(const QDate &d)
{
    // A zone that skips midnight for summer time starts the day at the first
    // time that exists: QDateTime moves it forward.
    return QDateTime(d, QTime(0, 0)).toMSecsSinceEpoch();
}

} // namespace

QString JournalFilter::whereClause(QVariantList *binds) const
{
    QStringList conditions;
    if (from.isValid()) {
        conditions << QStringLiteral("start_ms >= ?");
        *binds << localMidnightMs(from);
    }
    if (to.isValid()) {
        conditions << QStringLiteral("start_ms < ?");
        *binds << localMidnightMs(to.addDays(1));
    }
    if (!repeater.isEmpty()) {
        conditions << QStringLiteral("repeater_name = ?");
        *binds << repeater;
    }
    if (outcome) {
        conditions << QStringLiteral("outcome = ?");
        *binds << JournalEntry::storedName(*outcome);
    }
    if (!text.isEmpty()) {
        QString pattern = text;
        pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        pattern = QLatin1Char('%') + pattern + QLatin1Char('%');
        // One LIKE per column: SQLite stops at the first that matches, and no
        // row is copied into a joined string (three times faster on a year).
        QStringList parts;
        for (const char *c : SearchedColumns) {
            parts << QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(QLatin1String(c));
            *binds << pattern;
        }
        conditions << QLatin1Char('(') + parts.join(QLatin1String(" OR ")) + QLatin1Char(')');
    }
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
}

JournalStore::JournalStore(QObject *parent) : QObject(parent)
{
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_writer = QStringLiteral("pontavel-journal-") + id;
    m_reader = QStringLiteral("pontavel-journal-lecture-") + id;
}

JournalStore::~JournalStore()
{
    close();
}

const QStringList &JournalStore::columns()
{
    static const QStringList c{"id",          "start_ms",     "start_utc",    "end_ms",        "end_utc",
                               "origin",      "repeater_number", "repeater_name", "repeater_key",
                               "repeater_freq", "command_tx", "command_rx",   "sequence",      "keys_played",
                               "answer",      "outcome",      "ptt_method",   "ptt_port",      "sound_output",
                               "callsign",    "place"};
    return c;
}

QString JournalStore::utcText(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

QString JournalStore::selectSql(const JournalFilter &filter, QVariantList *binds, const QStringList &select)
{
    // Newest first; the row id breaks ties so the order never changes between reads.
    return QStringLiteral("SELECT %1 FROM %2%3 ORDER BY start_ms DESC, id DESC")
        .arg((select.isEmpty() ? columns() : select).join(QLatin1String(", ")), Table, filter.whereClause(binds));
}

JournalEntry JournalStore::entryFromValues(const QVariantList &v)
{
    JournalEntry e;
    if (v.size() < columns().size())
        return e;
    auto s = [&](int i) { return v[i].isNull() ? QString() : v[i].toString(); };
    e.id = v[0].toLongLong();
    e.start = fromMs(v[1]);
    e.end = fromMs(v[3]);
    e.origin = JournalEntry::originFromStored(s(5)).value_or(JournalEntry::Origin::Command);
    e.repeaterNumber = v[6].toInt();
    e.repeaterName = s(7);
    e.repeaterKey = s(8);
    e.repeaterFreq = s(9);
    e.commandTx = s(10);
    e.commandRx = s(11);
    e.sequence = s(12);
    e.keysPlayed = s(13);
    e.answer = JournalEntry::answerFromStored(s(14)).value_or(JournalEntry::Answer::None);
    e.outcome = JournalEntry::outcomeFromStored(s(15)).value_or(JournalEntry::Outcome::Interrupted);
    e.pttMethod = s(16);
    e.pttPort = s(17);
    e.soundOutput = s(18);
    e.callsign = s(19);
    e.place = s(20);
    return e;
}

bool JournalStore::open(const QString &path, Mode mode)
{
    close();
    m_path = path;
    m_mode = mode;
    QString why;
    if (mode == Mode::ReadOnly && !QFileInfo::exists(path))
        why = QStringLiteral("fichier absent");
    else if (openConnections(&why)) {
        m_open = true;
        return true;
    }
    close();
    const QString message = QStringLiteral("Impossible d'ouvrir le journal de trafic %1 : %2").arg(path, why);
    if (mode == Mode::ReadWrite)
        failed(message);
    else
        m_lastError = message;
    return false;
}

void JournalStore::close()
{
    // The writer last: the last connection to close folds the write-ahead
    // log back into journal.db.
    for (const QString &name : {m_reader, m_writer}) {
        if (!QSqlDatabase::contains(name))
            continue;
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    m_open = false;
}

bool JournalStore::openConnections(QString *error)
{
    if (m_mode == Mode::ReadWrite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_writer);
        db.setDatabaseName(m_path);
        db.setConnectOptions(ConnectOptions);
        if (!db.open()) {
            *error = SystemErrors::sql(db.lastError());
            return false;
        }
        if (!createSchema(error))
            return false;
    }
    QSqlDatabase rd = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_reader);
    rd.setDatabaseName(m_path);
    rd.setConnectOptions(ConnectOptions);
    if (!rd.open()) {
        *error = SystemErrors::sql(rd.lastError());
        return false;
    }
    // Read-only by pragma, not by open flag: a connection opened read-only
    // could not remove the write-ahead log it found or made when it closes
    // last (pontavel-journal would leave two files behind).
    QSqlQuery(rd).exec(QStringLiteral("PRAGMA query_only = ON"));
    // SQLite opens lazily: a file that is not a journal shows itself here.
    QSqlQuery probe(rd);
    if (!probe.exec(QStringLiteral("SELECT %1 FROM %2 LIMIT 0").arg(columns().join(QLatin1String(", ")), Table))) {
        const QSqlError e = probe.lastError();
        *error = e.nativeErrorCode().toInt() == 1 ? QStringLiteral("ce fichier n'est pas un journal de trafic")
                                                 : SystemErrors::sql(e);
        return false;
    }
    return true;
}

bool JournalStore::createSchema(QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_writer, false);
    QSqlQuery q(db);
    // Write-ahead logging: the window's reads never hold up a row being
    // written. Commits do not wait for the disk while the line is up; a crash
    // of the program loses nothing, a power cut at most the last rows.
    q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    const QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (id INTEGER PRIMARY KEY, start_ms INTEGER NOT NULL, "
                       "start_utc TEXT NOT NULL, end_ms INTEGER, end_utc TEXT, origin TEXT NOT NULL, "
                       "repeater_number INTEGER NOT NULL DEFAULT 0, repeater_name TEXT, repeater_key TEXT, "
                       "repeater_freq TEXT, command_tx TEXT, command_rx TEXT, sequence TEXT, keys_played TEXT, "
                       "answer TEXT NOT NULL, outcome TEXT NOT NULL, ptt_method TEXT, ptt_port TEXT, "
                       "sound_output TEXT, callsign TEXT, place TEXT)")
            .arg(Table),
        QStringLiteral("CREATE INDEX IF NOT EXISTS transmissions_start ON %1 (start_ms)").arg(Table),
        QStringLiteral("CREATE INDEX IF NOT EXISTS transmissions_repeater ON %1 (repeater_name, start_ms)").arg(Table),
        QStringLiteral("CREATE INDEX IF NOT EXISTS transmissions_outcome ON %1 (outcome, start_ms)").arg(Table),
    };
    // A journal made by this program already has them all: nothing is written.
    QSqlQuery have(db);
    if (have.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'transmissions%'")) && have.next()
        && have.value(0).toInt() == int(statements.size()))
        return true;
    if (!db.transaction()) {
        *error = SystemErrors::sql(db.lastError());
        return false;
    }
    for (const QString &sql : statements) {
        if (!q.exec(sql)) {
            *error = SystemErrors::sql(q.lastError());
            db.rollback();
            return false;
        }
    }
    q.exec(QStringLiteral("PRAGMA user_version = 1"));
    if (!db.commit()) {
        *error = SystemErrors::sql(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

void JournalStore::failed(const QString &message)
{
    m_lastError = message;
    if (!m_failing) {
        m_failing = true;
        emit writeFailed(message);
    }
}

void JournalStore::succeeded()
{
    if (m_failing) {
        m_failing = false;
        emit writeRecovered();
    }
}

bool JournalStore::run(Operation &op, QString *error)
{
    QSqlQuery q(QSqlDatabase::database(m_writer, false));
    const JournalEntry &e = op.entry;
    if (op.insert) {
        q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(Table, columns().mid(1).join(QLatin1String(", ")),
                           QStringList(columns().size() - 1, QStringLiteral("?")).join(QLatin1Char(','))));
        for (const QVariant &v :
             {QVariant(e.start.toMSecsSinceEpoch()), QVariant(utcText(e.start)), msOrNull({}), utcOrNull({}),
              QVariant(JournalEntry::storedName(e.origin)), QVariant(e.repeaterNumber), text(e.repeaterName),
              text(e.repeaterKey), text(e.repeaterFreq), text(e.commandTx), text(e.commandRx), text(e.sequence),
              text(e.keysPlayed), QVariant(JournalEntry::storedName(JournalEntry::Answer::None)),
              QVariant(JournalEntry::storedName(JournalEntry::Outcome::Open)), text(e.pttMethod), text(e.pttPort),
              text(e.soundOutput), text(e.callsign), text(e.place)})
            q.addBindValue(v);
        if (!q.exec()) {
            *error = SystemErrors::sql(q.lastError());
            return false;
        }
        if (op.key < 0)
            m_rowOfKey.insert(op.key, q.lastInsertId().toLongLong());
        return true;
    }
    const qint64 row = op.key > 0 ? op.key : m_rowOfKey.value(op.key);
    if (row == 0)
        return true;  // its row was dropped from a full backlog: nothing left to complete
    q.prepare(QStringLiteral("UPDATE %1 SET end_ms = ?, end_utc = ?, answer = ?, outcome = ?, keys_played = ? "
                             "WHERE id = ?")
                  .arg(Table));
    q.addBindValue(msOrNull(e.end));
    q.addBindValue(utcOrNull(e.end));
    q.addBindValue(JournalEntry::storedName(e.answer));
    q.addBindValue(JournalEntry::storedName(e.outcome));
    q.addBindValue(text(e.keysPlayed));
    q.addBindValue(row);
    if (!q.exec()) {
        *error = SystemErrors::sql(q.lastError());
        return false;
    }
    return true;
}

void JournalStore::enqueue(Operation op)
{
    if (m_backlog.size() >= MaxBacklog)
        m_backlog.pop_front();
    m_backlog.push_back(std::move(op));
}

bool JournalStore::flush()
{
    if (m_backlog.empty())
        return true;
    if (m_mode == Mode::ReadOnly) {
        failed(QStringLiteral("Le journal de trafic %1 est ouvert en lecture seule.").arg(m_path));
        return false;
    }
    // Closed by an earlier failure: opening again is cheap.
    if (!m_open && (m_path.isEmpty() || !open(m_path))) {
        if (m_path.isEmpty())
            failed(QStringLiteral("Aucun journal de trafic n'est ouvert."));
        return false;
    }
    while (!m_backlog.empty()) {
        QString why;
        if (!run(m_backlog.front(), &why)) {
            failed(QStringLiteral("Le journal de trafic %1 ne peut pas être écrit : %2").arg(m_path, why));
            return false;
        }
        m_backlog.pop_front();
    }
    succeeded();
    emit changed();
    return true;
}

qint64 JournalStore::begin(const JournalEntry &entry)
{
    Operation op{true, --m_nextKey, entry};
    if (!op.entry.start.isValid())
        op.entry.start = QDateTime::currentDateTimeUtc();
    const qint64 key = op.key;
    enqueue(std::move(op));
    const qint64 id = flush() ? m_rowOfKey.take(key) : key;
    m_begun.insert(id);
    return id;
}

bool JournalStore::finish(qint64 id, const QDateTime &end, JournalEntry::Answer answer,
                          JournalEntry::Outcome outcome, const QString &keysPlayed)
{
    // Only rows begun here: a stray id must not rewrite another session's row.
    if (!m_begun.contains(id)) {
        m_lastError = QStringLiteral("Émission %1 inconnue du journal de trafic.").arg(id);
        return false;
    }
    Operation op{false, id, {}};
    op.entry.end = end;
    op.entry.answer = answer;
    op.entry.outcome = outcome;
    op.entry.keysPlayed = keysPlayed;
    enqueue(std::move(op));
    return flush();
}

int JournalStore::markInterrupted()
{
    if (!m_open || m_mode == Mode::ReadOnly)
        return -1;
    QSqlQuery q(QSqlDatabase::database(m_writer, false));
    q.prepare(QStringLiteral("UPDATE %1 SET outcome = ? WHERE outcome = ?").arg(Table));
    q.addBindValue(JournalEntry::storedName(JournalEntry::Outcome::Interrupted));
    q.addBindValue(JournalEntry::storedName(JournalEntry::Outcome::Open));
    if (!q.exec()) {
        failed(QStringLiteral("Le journal de trafic %1 ne peut pas être écrit : %2")
                   .arg(m_path, SystemErrors::sql(q.lastError())));
        return -1;
    }
    const int n = q.numRowsAffected();
    if (n > 0)
        emit changed();
    return n;
}

QSqlDatabase JournalStore::readDatabase() const
{
    return QSqlDatabase::database(m_reader, false);
}

std::optional<JournalEntry> JournalStore::entry(qint64 id) const
{
    QSqlQuery q(readDatabase());
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE id = ?").arg(columns().join(QLatin1String(", ")), Table));
    q.addBindValue(id);
    if (!q.exec() || !q.next())
        return std::nullopt;
    QVariantList values;
    for (int i = 0; i < columns().size(); ++i)
        values << q.value(i);
    return entryFromValues(values);
}

bool JournalStore::forEach(const JournalFilter &filter, const std::function<bool(const JournalEntry &)> &visit,
                           QString *error) const
{
    QSqlQuery q(readDatabase());
    q.setForwardOnly(true);
    QVariantList binds;
    q.prepare(selectSql(filter, &binds));
    for (const QVariant &v : std::as_const(binds))
        q.addBindValue(v);
    if (!m_open || !q.exec()) {
        if (error)
            *error = m_open ? SystemErrors::sql(q.lastError()) : m_lastError;
        return false;
    }
    const int n = int(columns().size());
    QVariantList values;
    while (q.next()) {
        values.clear();
        for (int i = 0; i < n; ++i)
            values << q.value(i);
        if (!visit(entryFromValues(values)))
            break;
    }
    return true;
}

JournalTotals JournalStore::totals(const JournalFilter &filter, QString *error) const
{
    JournalTotals t;
    QSqlQuery q(readDatabase());
    QVariantList binds;
    q.prepare(QStringLiteral("SELECT count(*), coalesce(sum(end_ms - start_ms), 0) FROM %1%2")
                  .arg(Table, filter.whereClause(&binds)));
    for (const QVariant &v : std::as_const(binds))
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        if (error)
            *error = SystemErrors::sql(q.lastError());
        return t;
    }
    t.count = q.value(0).toLongLong();
    t.onAirMs = q.value(1).toLongLong();
    return t;
}

QStringList JournalStore::repeaterNames() const
{
    // One index probe per name instead of a walk over every row.
    QSqlQuery q(readDatabase());
    QStringList names;
    if (!q.exec(QStringLiteral("WITH RECURSIVE n(name) AS (SELECT min(repeater_name) FROM %1 WHERE repeater_name > '' "
                               "UNION ALL SELECT (SELECT min(repeater_name) FROM %1 WHERE repeater_name > n.name) "
                               "FROM n WHERE n.name IS NOT NULL) SELECT name FROM n WHERE name IS NOT NULL")
                    .arg(Table)))
        return names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}
