#include "store.h"

#include "schema.h"
#include "transaction.h"

#include "core/convert.h"
#include "core/systemerrors.h"

#include <QFileInfo>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {

QString sqlError(const QSqlQuery &q)
{
    return SystemErrors::sql(q.lastError());
}

// The stored order of a table is its rowid order; a table without rowid keeps
// the engine's own order.
QString orderedSelect(const QSqlDatabase &db, const QString &columns, const QString &table)
{
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT rowid FROM %1 LIMIT 0").arg(Store::quoted(table))))
        return QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns, Store::quoted(table));
    return QStringLiteral("SELECT %1 FROM %2").arg(columns, Store::quoted(table));
}

// Index of a field by name, ignoring case, as the old engine matched names.
int fieldIndex(const QSqlRecord &rec, const QString &name)
{
    for (int i = 0; i < rec.count(); ++i)
        if (rec.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant fieldValue(const QSqlQuery &q, const QString &name)
{
    const int i = fieldIndex(q.record(), name);
    return i < 0 ? QVariant() : q.value(i);
}

QString textValue(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

// What the map can place: far beyond any map picture, well inside what the
// scene's arithmetic and an int of pixels hold at the deepest zoom read.
constexpr double PositionLimit = 1e6;  // twips
constexpr double ZoomLimit = 1000;     // tenths: 100 times

double position(const QVariant &v)
{
    return std::clamp(variantToDouble(v, 0), -PositionLimit, PositionLimit);
}

// A quick_check line about one row breaking its table's rules (a CHECK or NOT
// NULL constraint) rather than about the file's structure.
bool rowRuleLine(const QString &line)
{
    return line.startsWith(QLatin1String("CHECK constraint failed in "))
           || line.startsWith(QLatin1String("NULL value in "));
}

// SQLITE_BUSY or SQLITE_LOCKED: another connection holds the file.
bool lockedError(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6") || code.startsWith(QLatin1String("5 "))
           || code.startsWith(QLatin1String("6 "));
}

// One row of `table` with every field, in order.
bool insertRow(QSqlQuery &q, const Schema::Table &table, const QVariantList &values)
{
    if (!q.prepare(table.insertSql()))
        return false;
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec();
}

} // namespace

namespace RelaisField = Schema::RelaisField;
namespace ParamField = Schema::ParamField;
namespace CommandField = Schema::CommandField;

int Settings::displayMinutes() const
{
    return toInt16(tempo);
}

Store::Store()
    : m_connection(QStringLiteral("pontavel-store-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

Store::~Store()
{
    close();
}

QSqlDatabase Store::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void Store::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
    m_ruleTables.clear();
}

QString Store::quoted(const QString &name)
{
    return Schema::quoted(name);
}

Store::OpenResult Store::open(const QString &path)
{
    close();
    m_path = path;
    m_lastError.clear();
    m_warnings.clear();
    const bool existed = QFileInfo::exists(path);
    if (existed && !QFileInfo(path).isReadable()) {
        m_lastError = QStringLiteral("Impossible de lire la base de données %1 : accès refusé.").arg(path);
        return OpenResult::Failed;
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    // A file held by another program is reported at once, not after the
    // driver's 5 s wait; writes get their own wait below.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!db.open()) {
        m_lastError = QStringLiteral("Impossible d'ouvrir la base de données %1 : %2")
                          .arg(path, SystemErrors::sql(db.lastError()));
        close();
        return OpenResult::Failed;
    }

    if (existed) {
        // SQLite opens lazily: read the schema now so that a file that is not a
        // database is found before anything could write into it.
        QSqlQuery q(db);
        QStringList problems;
        bool ran = q.exec(QStringLiteral("PRAGMA quick_check"));
        while (ran && q.next())
            problems << q.value(0).toString();
        if (ran && problems == QStringList{QStringLiteral("ok")})
            problems.clear();
        if (!ran && lockedError(q.lastError())) {
            m_lastError = QStringLiteral("La base de données %1 est utilisée par un autre programme. "
                                         "Fermez-le, puis relancez Pontavel. Elle n'a pas été modifiée.")
                              .arg(path);
            close();
            return OpenResult::Failed;
        }
        const bool rowsOnly = !problems.isEmpty() && std::all_of(problems.cbegin(), problems.cend(), rowRuleLine);
        if (!ran || (!problems.isEmpty() && !rowsOnly)) {
            const QString why = ran ? problems.value(0) : SystemErrors::sql(q.lastError());
            m_lastError = QStringLiteral("La base de données %1 est illisible ou endommagée : %2. "
                                         "Elle n'a pas été modifiée.")
                              .arg(path, why);
            close();
            return OpenResult::Failed;
        }
        // Rows against their table's rules cost those rows only: the command
        // tables named here are read without them (see commands()).
        for (const QString &line : problems) {
            const QString rest = line.section(QLatin1String(" in "), 1);
            m_ruleTables.insert(line.startsWith(QLatin1String("NULL")) ? rest.section(QLatin1Char('.'), 0, 0)
                                                                       : rest);
        }
        for (const QString &table : std::as_const(m_ruleTables))
            m_warnings << QStringLiteral("La table « %1 » de %2 contient des lignes qui ne respectent pas ses "
                                         "règles%3.")
                              .arg(table, path,
                                   table.toInt() > 0 ? QStringLiteral(" : ces commandes sont ignorées")
                                                     : QString());
        QSqlQuery fk(db);
        fk.exec(QStringLiteral("PRAGMA busy_timeout = 3000"));
        m_open = true;
        return OpenResult::Opened;
    }

    QString err;
    if (!createSchema(&err)) {
        m_lastError = QStringLiteral("Impossible de créer la base de données %1 : %2").arg(path, err);
        close();
        QFile::remove(path);
        return OpenResult::Failed;
    }
    m_open = true;
    return OpenResult::Created;
}

bool Store::createSchema(QString *error)
{
    QSqlDatabase db = database();
    Transaction t(db);
    QSqlQuery q(db);
    bool ok = t.begun() && q.exec(Schema::relais().createSql()) && q.exec(Schema::param().createSql())
              && insertRow(q, Schema::param(), Schema::settingsRow(Settings()));
    if (!ok || !t.commit()) {
        if (error)
            *error = q.lastError().isValid() ? sqlError(q) : t.error();
        return false;
    }
    return true;
}

QVector<Repeater> Store::repeaters(QString *error) const
{
    QVector<Repeater> out;
    if (!m_open) {
        if (error)
            *error = m_lastError;
        return out;
    }
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(orderedSelect(database(), QStringLiteral("*"), Schema::relais().name))) {
        if (error)
            *error = QStringLiteral("Impossible de lire la table Relais : %1").arg(sqlError(q));
        return out;
    }
    auto field = [&q](int f) { return fieldValue(q, Schema::relais().fieldName(f)); };
    while (q.next()) {
        Repeater r;
        // The position in stored order is the repeater's number on the map.
        r.numero = int(out.size()) + 1;
        r.nom = textValue(field(RelaisField::Nom));
        r.dtmf = textValue(field(RelaisField::Dtmf));
        r.freq = textValue(field(RelaisField::Freq));
        r.posGauche = position(field(RelaisField::PosGauche));
        r.posHaut = position(field(RelaisField::PosHaut));
        r.libellePosGau = position(field(RelaisField::LibellePosGau));
        r.libellePosHaut = position(field(RelaisField::LibellePosHaut));
        r.chemin = textValue(field(RelaisField::Chemin));
        out.append(r);
    }
    return out;
}

Settings Store::settings(bool *rowPresent) const
{
    Settings s;
    if (rowPresent)
        *rowPresent = false;
    if (!m_open)
        return s;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(orderedSelect(database(), QStringLiteral("*"), Schema::param().name)) || !q.next())
        return s;
    if (rowPresent)
        *rowPresent = true;
    auto field = [&q](int f) { return fieldValue(q, Schema::param().fieldName(f)); };
    bool ok = false;
    double v = variantToDouble(field(ParamField::ComNumber), 0, &ok);
    if (ok)
        s.comNumber = toInt16(v);
    const QVariant set = field(ParamField::PortSettings);
    if (!set.isNull() && set.isValid())
        s.portSettings = set.toString();
    auto colour = [&](int f, quint32 &target) {
        bool good = false;
        const double c = variantToDouble(field(f), 0, &good);
        // Stored as a 32-bit Windows value; anything wider is not a colour.
        if (good && c >= double(INT_MIN) && c <= double(UINT_MAX))
            target = quint32(roundHalfEven(c) & 0x00ffffff);
    };
    colour(ParamField::ActiveColour, s.activeColour);
    colour(ParamField::IdleColour, s.idleColour);
    colour(ParamField::RouteColour, s.routeColour);
    colour(ParamField::BeamColour, s.beamColour);
    v = variantToDouble(field(ParamField::Tempo), 0, &ok);
    if (ok)
        s.tempo = std::clamp(v, -32768.0, 32767.0);
    v = variantToDouble(field(ParamField::CarteX), 0, &ok);
    if (ok)
        s.carteX = toInt16(v);
    v = variantToDouble(field(ParamField::CarteY), 0, &ok);
    if (ok)
        s.carteY = toInt16(v);
    v = variantToDouble(field(ParamField::CoefZoom), 0, &ok);
    // A zoom of 0 or less would show a map of no size.
    if (ok && v > 0)
        s.coefZoom = std::min(v, ZoomLimit);
    return s;
}

QMap<qint64, QString> Store::ruleBreakers(const QString &table) const
{
    QMap<qint64, QString> out;
    QSqlDatabase db = database();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    q.addBindValue(table);
    if (!q.exec() || !q.next())
        return out;
    // A scratch copy with the same column rules in the temporary schema: each
    // row is tried against it alone, the file itself is never written.
    const QString sql = q.value(0).toString();
    const qsizetype paren = sql.indexOf(QLatin1Char('('));
    QSqlQuery t(db);
    t.exec(QStringLiteral("DROP TABLE IF EXISTS temp.pontavel_rules"));
    if (paren < 0 || !t.exec(QStringLiteral("CREATE TEMP TABLE pontavel_rules ") + sql.mid(paren)))
        return out;
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (rows.exec(QStringLiteral("SELECT rowid FROM %1").arg(quoted(table)))) {
        while (rows.next()) {
            const qint64 id = rows.value(0).toLongLong();
            if (!t.exec(QStringLiteral("INSERT INTO temp.pontavel_rules SELECT * FROM %1 WHERE rowid = %2")
                            .arg(quoted(table))
                            .arg(id)))
                out.insert(id, t.lastError().databaseText());
            t.exec(QStringLiteral("DELETE FROM temp.pontavel_rules"));
        }
    }
    t.exec(QStringLiteral("DROP TABLE temp.pontavel_rules"));
    return out;
}

QVector<Command> Store::commands(int numero, QString *error, QStringList *skipped) const
{
    QVector<Command> out;
    if (!m_open) {
        if (error)
            *error = m_lastError;
        return out;
    }
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(orderedSelect(database(), QStringLiteral("*"), Schema::commandTable(numero)))) {
        if (error)
            *error = QStringLiteral("Impossible de lire la table des commandes du relais %1 : %2")
                         .arg(numero)
                         .arg(sqlError(q));
        return out;
    }
    const QString table = Schema::commandTable(numero);
    QMap<qint64, QString> broken;
    QVector<qint64> rowids;
    if (m_ruleTables.contains(table)) {
        broken = ruleBreakers(table);
        QSqlQuery ids(database());
        if (ids.exec(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(quoted(table))))
            while (ids.next())
                rowids << ids.value(0).toLongLong();
    }
    const int fields = q.record().count();
    for (int row = 0; q.next(); ++row) {
        if (row < rowids.size() && broken.contains(rowids[row])) {
            if (skipped)
                *skipped << QStringLiteral("La commande %1 du relais %2 est ignorée : elle ne respecte pas "
                                           "les règles de sa table (%3).")
                                .arg(textValue(q.value(0)).left(12))
                                .arg(numero)
                                .arg(broken.value(rowids[row]));
            continue;
        }
        // Fields are read by position, whatever their names.
        auto text = [&](int f) { return fields > f ? textValue(q.value(f)) : QString(); };
        Command c;
        c.numero = fields > CommandField::Numero ? toInt16(variantToDouble(q.value(CommandField::Numero), 0)) : 0;
        c.tx = text(CommandField::Tx);
        c.rx = text(CommandField::Rx);
        for (int i = 0; i < 5; ++i) {
            c.wav[i] = text(CommandField::Wav + i);
            c.readError[i] = fields <= CommandField::Wav + i;
        }
        c.chemin = text(CommandField::Chemin);
        c.relais = text(CommandField::Relais);
        out.append(c);
    }
    return out;
}

bool Store::writeSettings(const QVariantMap &fields, QString *error)
{
    if (!m_open) {
        if (error)
            *error = m_lastError.isEmpty() ? QStringLiteral("Aucune base de données ouverte.") : m_lastError;
        return false;
    }
    QSqlDatabase db = database();
    Transaction t(db);
    if (!t.begun(error))
        return false;
    QSqlQuery q(db);
    const Schema::Table &param = Schema::param();
    bool ok = q.exec(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1").arg(quoted(param.name)));
    qint64 rowid = -1;
    if (ok && q.next())
        rowid = q.value(0).toLongLong();
    if (ok && rowid < 0) {
        // No settings row yet: start one from the defaults.
        ok = insertRow(q, param, Schema::settingsRow(Settings()));
        rowid = q.lastInsertId().toLongLong();
    }
    if (ok && !fields.isEmpty()) {
        QStringList sets;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            sets << quoted(it.key()) + QStringLiteral(" = ?");
        ok = q.prepare(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(param.name), sets.join(", ")));
        if (ok) {
            for (auto it = fields.cbegin(); it != fields.cend(); ++it)
                q.addBindValue(it.value());
            q.addBindValue(rowid);
            ok = q.exec();
        }
    }
    if (!ok || !t.commit()) {
        if (error)
            *error = q.lastError().isValid() ? SystemErrors::sql(q.lastError()) : t.error();
        return false;
    }
    return true;
}

// Writes two position fields of repeater `numero` (its place in stored order).
static bool writeTwoFields(const QSqlDatabase &db, int numero, int f1, double v1, int f2, double v2,
                           QString *error)
{
    const Schema::Table &relais = Schema::relais();
    QSqlQuery q(db);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE rowid = "
                                       "(SELECT rowid FROM %1 ORDER BY rowid LIMIT 1 OFFSET ?)")
                            .arg(Store::quoted(relais.name), Store::quoted(relais.fieldName(f1)),
                                 Store::quoted(relais.fieldName(f2)));
    if (!q.prepare(sql)) {
        if (error)
            *error = SystemErrors::sql(q.lastError());
        return false;
    }
    q.addBindValue(v1);
    q.addBindValue(v2);
    q.addBindValue(numero - 1);
    if (!q.exec() || q.numRowsAffected() != 1) {
        if (error)
            *error = q.lastError().isValid() ? SystemErrors::sql(q.lastError())
                                             : QStringLiteral("Relais %1 introuvable.").arg(numero);
        return false;
    }
    return true;
}

bool Store::writeIconPosition(int numero, double left, double top, QString *error)
{
    if (!m_open)
        return false;
    return writeTwoFields(database(), numero, RelaisField::PosGauche, left, RelaisField::PosHaut, top, error);
}

bool Store::writeLabelPosition(int numero, double left, double top, QString *error)
{
    if (!m_open)
        return false;
    return writeTwoFields(database(), numero, RelaisField::LibellePosGau, left, RelaisField::LibellePosHaut, top,
                          error);
}

bool Store::tableExists(const QString &name) const
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name = ? COLLATE NOCASE"));
    q.addBindValue(name);
    return q.exec() && q.next();
}

bool Store::CreeTable(const QString &nomtable, QString *error)
{
    QSqlQuery q(database());
    if (!q.exec(Schema::commands().createSql(nomtable))) {
        if (error)
            *error = SystemErrors::sql(q.lastError());
        return false;
    }
    return true;
}
