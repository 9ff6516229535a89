#include "store.h"
#include "core/systemerrors.h"

#include "core/convert.h"
#include "core/routes.h"

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

} // namespace

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

const QStringList &Store::relaisFields()
{
    static const QStringList f{"N°", "Nom", "N°DTMF", "Freq", "PosGauche", "PosHaut",
                               "LibellePosGau", "LibellePosHaut", "Chemin"};
    return f;
}

const QStringList &Store::paramFields()
{
    static const QStringList f{"N°Com", "settings", "couleur", "couleur2", "CoulLigne",
                               "CoulFaisc", "tempo", "CarteX", "CarteY", "CoefZoom"};
    return f;
}

const QStringList &Store::commandFields()
{
    static const QStringList f{"N°", "Tx", "Rx", "wav", "wav1", "wav2", "wav3", "wav4",
                               "chemin", "relais"};
    return f;
}

QString Store::quoted(const QString &name)
{
    QString n = name;
    n.replace('"', QStringLiteral("\"\""));
    return '"' + n + '"';
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
    if (!db.transaction()) {
        if (error)
            *error = SystemErrors::sql(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    const Settings d;
    const bool ok =
        q.exec(QStringLiteral("CREATE TABLE \"Relais\" (\"N°\" INTEGER, \"Nom\" TEXT, \"N°DTMF\" TEXT, "
                              "\"Freq\" TEXT, \"PosGauche\" REAL, \"PosHaut\" REAL, "
                              "\"LibellePosGau\" REAL, \"LibellePosHaut\" REAL, \"Chemin\" TEXT)"))
        && q.exec(QStringLiteral("CREATE TABLE \"Param\" (\"N°Com\" INTEGER, \"settings\" TEXT, "
                                 "\"couleur\" INTEGER, \"couleur2\" INTEGER, \"CoulLigne\" INTEGER, "
                                 "\"CoulFaisc\" INTEGER, \"tempo\" REAL, \"CarteX\" INTEGER, "
                                 "\"CarteY\" INTEGER, \"CoefZoom\" REAL)"))
        && q.prepare(QStringLiteral("INSERT INTO \"Param\" VALUES (?,?,?,?,?,?,?,?,?,?)"));
    if (ok) {
        q.addBindValue(d.comNumber);
        q.addBindValue(d.portSettings);
        q.addBindValue(qint64(d.activeColour));
        q.addBindValue(qint64(d.idleColour));
        q.addBindValue(qint64(d.routeColour));
        q.addBindValue(qint64(d.beamColour));
        q.addBindValue(d.tempo);
        q.addBindValue(d.carteX);
        q.addBindValue(d.carteY);
        q.addBindValue(d.coefZoom);
    }
    if (!ok || !q.exec() || !db.commit()) {
        if (error)
            *error = sqlError(q);
        db.rollback();
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
    if (!q.exec(orderedSelect(database(), QStringLiteral("*"), QStringLiteral("Relais")))) {
        if (error)
            *error = QStringLiteral("Impossible de lire la table Relais : %1").arg(sqlError(q));
        return out;
    }
    while (q.next()) {
        Repeater r;
        // The position in stored order is the repeater's number on the map.
        r.numero = int(out.size()) + 1;
        r.nom = textValue(fieldValue(q, "Nom"));
        r.dtmf = textValue(fieldValue(q, "N°DTMF"));
        r.freq = textValue(fieldValue(q, "Freq"));
        r.posGauche = position(fieldValue(q, "PosGauche"));
        r.posHaut = position(fieldValue(q, "PosHaut"));
        r.libellePosGau = position(fieldValue(q, "LibellePosGau"));
        r.libellePosHaut = position(fieldValue(q, "LibellePosHaut"));
        r.chemin = textValue(fieldValue(q, "Chemin"));
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
    if (!q.exec(orderedSelect(database(), QStringLiteral("*"), QStringLiteral("Param"))) || !q.next())
        return s;
    if (rowPresent)
        *rowPresent = true;
    bool ok = false;
    double v = variantToDouble(fieldValue(q, "N°Com"), 0, &ok);
    if (ok)
        s.comNumber = toInt16(v);
    const QVariant set = fieldValue(q, "settings");
    if (!set.isNull() && set.isValid())
        s.portSettings = set.toString();
    auto colour = [&](const char *name, quint32 &target) {
        bool good = false;
        const double c = variantToDouble(fieldValue(q, name), 0, &good);
        // Stored as a 32-bit Windows value; anything wider is not a colour.
        if (good && c >= double(INT_MIN) && c <= double(UINT_MAX))
            target = quint32(roundHalfEven(c) & 0x00ffffff);
    };
    colour("couleur", s.activeColour);
    colour("couleur2", s.idleColour);
    colour("CoulLigne", s.routeColour);
    colour("CoulFaisc", s.beamColour);
    v = variantToDouble(fieldValue(q, "tempo"), 0, &ok);
    if (ok)
        s.tempo = std::clamp(v, -32768.0, 32767.0);
    v = variantToDouble(fieldValue(q, "CarteX"), 0, &ok);
    if (ok)
        s.carteX = toInt16(v);
    v = variantToDouble(fieldValue(q, "CarteY"), 0, &ok);
    if (ok)
        s.carteY = toInt16(v);
    v = variantToDouble(fieldValue(q, "CoefZoom"), 0, &ok);
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
    if (!q.exec(orderedSelect(database(), QStringLiteral("*"), QString::number(numero)))) {
        if (error)
            *error = QStringLiteral("Impossible de lire la table des commandes du relais %1 : %2")
                         .arg(numero)
                         .arg(sqlError(q));
        return out;
    }
    const QString table = QString::number(numero);
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
        Command c;
        c.numero = fields > 0 ? toInt16(variantToDouble(q.value(0), 0)) : 0;
        c.tx = fields > 1 ? textValue(q.value(1)) : QString();
        c.rx = fields > 2 ? textValue(q.value(2)) : QString();
        // The sequences are read by position: fields 3 to 7.
        for (int i = 0; i < 5; ++i) {
            if (fields > 3 + i)
                c.wav[i] = textValue(q.value(3 + i));
            else
                c.readError[i] = true;
        }
        c.chemin = fields > 8 ? textValue(q.value(8)) : QString();
        c.relais = fields > 9 ? textValue(q.value(9)) : QString();
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
    if (!db.transaction()) {
        if (error)
            *error = SystemErrors::sql(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    bool ok = q.exec(QStringLiteral("SELECT rowid FROM \"Param\" ORDER BY rowid LIMIT 1"));
    qint64 rowid = -1;
    if (ok && q.next())
        rowid = q.value(0).toLongLong();
    if (ok && rowid < 0) {
        // No settings row yet: start one from the defaults.
        const Settings d;
        ok = q.prepare(QStringLiteral("INSERT INTO \"Param\" (\"N°Com\",\"settings\",\"couleur\",\"couleur2\","
                                      "\"CoulLigne\",\"CoulFaisc\",\"tempo\",\"CarteX\",\"CarteY\",\"CoefZoom\") "
                                      "VALUES (?,?,?,?,?,?,?,?,?,?)"));
        if (ok) {
            for (const QVariant &v : {QVariant(d.comNumber), QVariant(d.portSettings),
                                      QVariant(qint64(d.activeColour)), QVariant(qint64(d.idleColour)),
                                      QVariant(qint64(d.routeColour)), QVariant(qint64(d.beamColour)),
                                      QVariant(d.tempo), QVariant(d.carteX), QVariant(d.carteY),
                                      QVariant(d.coefZoom)})
                q.addBindValue(v);
            ok = q.exec();
            rowid = q.lastInsertId().toLongLong();
        }
    }
    if (ok && !fields.isEmpty()) {
        QStringList sets;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            sets << quoted(it.key()) + QStringLiteral(" = ?");
        ok = q.prepare(QStringLiteral("UPDATE \"Param\" SET %1 WHERE rowid = ?").arg(sets.join(", ")));
        if (ok) {
            for (auto it = fields.cbegin(); it != fields.cend(); ++it)
                q.addBindValue(it.value());
            q.addBindValue(rowid);
            ok = q.exec();
        }
    }
    if (!ok || !db.commit()) {
        if (error)
            *error = q.lastError().isValid() ? SystemErrors::sql(q.lastError()) : SystemErrors::sql(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

static bool writeTwoFields(const QSqlDatabase &db, int numero, const char *f1, double v1,
                           const char *f2, double v2, QString *error)
{
    QSqlQuery q(db);
    const QString sql = QStringLiteral("UPDATE \"Relais\" SET %1 = ?, %2 = ? WHERE rowid = "
                                       "(SELECT rowid FROM \"Relais\" ORDER BY rowid LIMIT 1 OFFSET ?)")
                            .arg(Store::quoted(f1), Store::quoted(f2));
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
    return writeTwoFields(database(), numero, "PosGauche", left, "PosHaut", top, error);
}

bool Store::writeLabelPosition(int numero, double left, double top, QString *error)
{
    if (!m_open)
        return false;
    return writeTwoFields(database(), numero, "LibellePosGau", left, "LibellePosHaut", top, error);
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
    const QString sql =
        QStringLiteral("CREATE TABLE %1 (\"N°\" INTEGER, "
                       "\"Tx\" VARCHAR(50) CHECK (\"Tx\" <> '' AND length(\"Tx\") <= 50), "
                       "\"Rx\" VARCHAR(50) CHECK (\"Rx\" <> '' AND length(\"Rx\") <= 50), "
                       "%2)")
            .arg(quoted(nomtable), [] {
                QStringList f;
                for (const char *n : {"wav", "wav1", "wav2", "wav3", "wav4", "chemin", "relais"})
                    f << QStringLiteral("\"%1\" VARCHAR(24) CHECK (length(\"%1\") <= 24)").arg(n);
                return f.join(", ");
            }());
    if (!q.exec(sql)) {
        if (error)
            *error = SystemErrors::sql(q.lastError());
        return false;
    }
    return true;
}

int Store::lookupKey(const QVector<Repeater> &list, QChar key, int fallback)
{
    return Routes::lookupKey(list, key, fallback);
}
