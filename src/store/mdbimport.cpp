#include "mdbimport.h"

#include "core/convert.h"
#include "core/repeater.h"
#include "store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>
#include <QtEndian>

#include <mdbtools.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace MdbImport {

const Table *OldDatabase::find(const QString &name) const
{
    for (const Table &t : tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

namespace {

constexpr int MaxRows = 30;         // repeaters, and commands of one repeater
constexpr int SequenceLength = 24;  // what the command fields hold when the program makes them

const QString &dtmfKeys()
{
    static const QString k = QStringLiteral("0123456789ABCD*#");
    return k;
}

// A command table is named by its repeater's number: decimal, no leading zero.
bool isNumberName(const QString &name)
{
    if (name.isEmpty() || name.size() > 3 || name.at(0) == u'0')
        return false;
    for (QChar c : name)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool isNetworkTable(const QString &name)
{
    return isNumberName(name) || name.compare(u"Relais", Qt::CaseInsensitive) == 0
           || name.compare(u"Param", Qt::CaseInsensitive) == 0;
}

// libmdb gives a null QString for an empty text; SQLite must get '' there, not NULL.
QVariant text(const char *s)
{
    QString v = QString::fromUtf8(s);
    return v.isNull() ? QVariant(QStringLiteral("")) : QVariant(v);
}

// A Single holds about 7 digits: the shortest decimal that reads back as the
// same Single is what was typed (2.1, where libmdb's text says 2.0999999).
double fromSingle(float f)
{
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, f).ptr;
    double d = f;
    std::from_chars(buf, end, d);
    return d;
}

Kind kindOf(int type)
{
    switch (type) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT:
        return Kind::Integer;
    case MDB_FLOAT: case MDB_DOUBLE: case MDB_MONEY: case MDB_NUMERIC:
        return Kind::Real;
    case MDB_TEXT: case MDB_MEMO: case MDB_DATETIME:
        return Kind::Text;
    default:
        return Kind::Other;
    }
}

// One cell of the row that mdb_crack_row described. Numbers come from their
// bytes (libmdb's text of a Single is rounded); text as libmdb converted it
// from the file's code page. False when the cell does not fit its page.
bool cell(MdbHandle *mdb, const MdbColumn *c, const MdbField &f, const char *bound, QVariant *out)
{
    if (c->col_type == MDB_BOOL) {  // the value is the null bit itself
        *out = f.is_null ? 0 : -1;
        return true;
    }
    *out = QVariant();
    if (f.is_null)
        return true;
    auto fits = [&](int n) { return f.siz == n && f.start >= 0 && f.start + n <= mdb->fmt->pg_size; };
    const unsigned char *p = mdb->pg_buf + f.start;
    switch (c->col_type) {
    case MDB_BYTE:
        if (!fits(1)) return false;
        *out = int(p[0]);
        return true;
    case MDB_INT:
        if (!fits(2)) return false;
        *out = int(qFromLittleEndian<qint16>(p));
        return true;
    case MDB_LONGINT:
        if (!fits(4)) return false;
        *out = qint64(qFromLittleEndian<qint32>(p));
        return true;
    case MDB_FLOAT:
        if (!fits(4)) return false;
        *out = fromSingle(qFromLittleEndian<float>(p));
        return true;
    case MDB_DOUBLE:
        if (!fits(8)) return false;
        *out = qFromLittleEndian<double>(p);
        return true;
    case MDB_MONEY:
        if (!fits(8)) return false;
        *out = double(qFromLittleEndian<qint64>(p)) / 10000.0;
        return true;
    case MDB_NUMERIC:
        *out = QString::fromUtf8(bound).toDouble();
        return true;
    default:
        if (kindOf(c->col_type) == Kind::Text)
            *out = text(bound);
        return true;  // pictures and other binary fields are not part of a network
    }
}

struct MdbClose { void operator()(MdbHandle *m) const { mdb_close(m); } };
struct TableFree { void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); } };

bool readTable(MdbHandle *mdb, MdbCatalogEntry *entry, Table *out, QString *why)
{
    std::unique_ptr<MdbTableDef, TableFree> t(mdb_read_table(entry));
    if (!t || !mdb_read_columns(t.get())) {
        *why = QStringLiteral("la description de la table « %1 » est illisible").arg(out->name);
        return false;
    }
    const int n = int(t->num_cols);
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    std::vector<std::vector<char>> bound(n, std::vector<char>(mdb->bind_size + 1));
    std::vector<int> lengths(n);
    std::vector<const MdbColumn *> cols(n);
    for (int i = 0; i < n; ++i) {
        const auto *c = static_cast<const MdbColumn *>(g_ptr_array_index(t->columns, i));
        cols[i] = c;
        Column col{QString::fromUtf8(c->name), kindOf(c->col_type), 0};
        if (c->col_type == MDB_TEXT)  // Jet 4 counts the bytes of UCS-2 text
            col.size = jet3 ? c->col_size : c->col_size / 2;
        out->columns.append(col);
        mdb_bind_column(t.get(), i + 1, bound[i].data(), &lengths[i]);
    }
    mdb_rewind_table(t.get());
    std::vector<MdbField> fields(std::max(n, 1));
    while (mdb_fetch_row(t.get())) {
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, int(t->cur_row) - 1, &start, &size) != 0
            || mdb_crack_row(t.get(), start & 0x1fff, size, fields.data()) != n) {
            *why = QStringLiteral("une ligne de la table « %1 » est illisible").arg(out->name);
            return false;
        }
        QVariantList row;
        row.resize(n);
        for (int k = 0; k < n; ++k) {
            const MdbField &f = fields[k];
            if (f.colnum < 0 || f.colnum >= n || !cell(mdb, cols[f.colnum], f, bound[f.colnum].data(), &row[f.colnum])) {
                *why = QStringLiteral("une valeur de la table « %1 » est illisible").arg(out->name);
                return false;
            }
        }
        out->rows.append(row);
    }
    // A file cut short loses its last pages without a word from libmdb.
    if (out->rows.size() != qsizetype(t->num_rows)) {
        *why = QStringLiteral("la table « %1 » annonce %2 lignes, %3 ont pu être lues")
                   .arg(out->name, QString::number(t->num_rows), QString::number(out->rows.size()));
        return false;
    }
    return true;
}

QString nothingImported()
{
    return QStringLiteral(" Rien n'a été importé.");
}

} // namespace

bool readMdb(const QString &mdbPath, OldDatabase *out, QString *error)
{
    QFile f(mdbPath);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Impossible de lire %1 : %2.").arg(mdbPath, f.errorString()) + nothingImported();
        return false;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Impossible de lire %1 : %2.").arg(mdbPath, f.errorString()) + nothingImported();
        return false;
    }
    return readMdbData(data, QDir::toNativeSeparators(mdbPath), out, error);
}

bool readMdbData(const QByteArray &data, const QString &name, OldDatabase *out, QString *error)
{
    *out = OldDatabase();
    const QByteArray magic = data.mid(4, 15);
    if (magic != "Standard Jet DB" && magic != "Standard ACE DB") {
        *error = QStringLiteral("%1 n'est pas une base Access (.mdb).").arg(name) + nothingImported();
        return false;
    }
    // libmdb reads from its own copy in memory: the file is never touched.
    QByteArray copy = data;
    std::unique_ptr<MdbHandle, MdbClose> mdb(mdb_open_buffer(copy.data(), size_t(copy.size()), MDB_NOFLAGS));
    if (!mdb) {
        *error = QStringLiteral("%1 est d'une version d'Access inconnue ou endommagée.").arg(name) + nothingImported();
        return false;
    }
    auto damaged = [&](const QString &why) {
        *error = QStringLiteral("%1 est tronquée ou endommagée (%2).").arg(name, why) + nothingImported();
        return false;
    };
    const qsizetype page = mdb->fmt->pg_size;
    if (page <= 0 || data.size() % page != 0 || data.size() < 2 * page)
        return damaged(QStringLiteral("sa taille n'est pas un nombre entier de pages"));
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return damaged(QStringLiteral("la liste de ses tables est illisible"));

    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        const QString tableName = QString::fromUtf8(entry->object_name);
        if (!isNetworkTable(tableName)) {
            out->otherTables << tableName;
            continue;
        }
        Table t;
        t.name = tableName;
        QString why;
        if (!readTable(mdb.get(), entry, &t, &why))
            return damaged(why);
        out->tables.append(t);
    }
    QStringList missing;
    for (const char *needed : {"Relais", "Param"})
        if (!out->find(QLatin1String(needed)))
            missing << QLatin1String(needed);
    if (!missing.isEmpty()) {
        QStringList held;
        for (const Table &t : out->tables)
            held << t.name;
        held << out->otherTables;
        *error = QStringLiteral("%1 ne contient pas de réseau de relais : %2 %3")
                     .arg(name,
                          missing.size() == 1 ? QStringLiteral("la table") : QStringLiteral("les tables"),
                          missing.join(QStringLiteral(" et ")))
                 + (missing.size() == 1 ? QStringLiteral(" manque.") : QStringLiteral(" manquent."))
                 + (held.isEmpty() ? QStringLiteral(" Elle ne contient aucune table.")
                                   : QStringLiteral(" Tables trouvées : %1.").arg(held.join(QStringLiteral(", "))))
                 + nothingImported();
        *out = OldDatabase();
        return false;
    }
    return true;
}

namespace {

// The fields the program reads, with what they hold when they have to be added.
struct Field
{
    const char *name;
    Kind kind;
    int size;
};

const Field relaisModel[] = {{"N°", Kind::Integer, 0}, {"Nom", Kind::Text, 50}, {"N°DTMF", Kind::Text, 1},
                             {"Freq", Kind::Text, 20}, {"PosGauche", Kind::Real, 0}, {"PosHaut", Kind::Real, 0},
                             {"LibellePosGau", Kind::Real, 0}, {"LibellePosHaut", Kind::Real, 0},
                             {"Chemin", Kind::Text, 50}};
const Field paramModel[] = {{"N°Com", Kind::Integer, 0}, {"settings", Kind::Text, 20}, {"couleur", Kind::Integer, 0},
                            {"couleur2", Kind::Integer, 0}, {"CoulLigne", Kind::Integer, 0},
                            {"CoulFaisc", Kind::Integer, 0}, {"tempo", Kind::Real, 0}, {"CarteX", Kind::Integer, 0},
                            {"CarteY", Kind::Integer, 0}, {"CoefZoom", Kind::Real, 0}};
const Field commandModel[] = {{"N°", Kind::Integer, 0}, {"Tx", Kind::Text, 50}, {"Rx", Kind::Text, 50},
                              {"wav", Kind::Text, 24}, {"wav1", Kind::Text, 24}, {"wav2", Kind::Text, 24},
                              {"wav3", Kind::Text, 24}, {"wav4", Kind::Text, 24}, {"chemin", Kind::Text, 24},
                              {"relais", Kind::Text, 24}};

// A table as it will be written; command tables keep their text limits.
struct Target : Table
{
    bool limitText = false;
};

int columnIndex(const Table &t, const QString &name)
{
    for (int i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString textOf(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

// The old table's columns and rows, in their order, with the fields the
// program needs added (empty) where the old file has none.
template <size_t N>
Target complete(const Table &source, const Field (&model)[N], QStringList &report)
{
    Target t;
    static_cast<Table &>(t) = source;
    for (const Column &c : t.columns)
        if (c.kind == Kind::Other)
            report << QStringLiteral("Table %1 : le champ « %2 » est binaire ; il est créé vide, ses valeurs restent "
                                     "dans l'ancienne base.").arg(t.name, c.name);
    for (const Field &f : model) {
        const QString name = QString::fromUtf8(f.name);
        if (columnIndex(t, name) >= 0)
            continue;
        t.columns.append({name, f.kind, f.size});
        for (QVariantList &row : t.rows)
            row.append(QVariant());
        report << QStringLiteral("Table %1 : le champ « %2 » manque ; il est ajouté, vide.").arg(t.name, name);
    }
    return t;
}

// The row's place is its number: the old program numbered the map and the
// command tables by position, whatever the field held.
void renumber(QVariant &v, int place, const QString &where, QStringList &report)
{
    bool ok = false;
    if (variantToDouble(v, 0, &ok) == place && ok)
        return;
    report << where + QStringLiteral(" : N° %1 au lieu de %2 ; importé sous le numéro %2, comme l'ancien programme le lisait.")
                          .arg(v.isNull() ? QStringLiteral("vide") : textOf(v), QString::number(place));
    v = qint64(place);
}

// Characters of `s` that are not DTMF keys (nor one of `also`).
QString strangers(const QString &s, const QString &also = {})
{
    QString out;
    for (QChar c : s)
        if (!dtmfKeys().contains(c) && !also.contains(c) && !out.contains(c))
            out += c;
    return out;
}

QString describe(const Table &t, const QVariantList &row, int from)
{
    QStringList parts;
    for (int i = from; i < row.size() && i < t.columns.size(); ++i)
        if (!textOf(row[i]).isEmpty())
            parts << QStringLiteral("%1 = %2").arg(t.columns[i].name, textOf(row[i]));
    return parts.join(QStringLiteral(", "));
}

void checkRepeaters(Target &relais, QStringList &report)
{
    const QString row = QStringLiteral("Relais, ligne %1");
    for (int i = MaxRows; i < relais.rows.size(); ++i)
        report << QStringLiteral("Relais, ligne %1 (%2) : au-delà de %3 relais ; elle n'est pas importée.")
                      .arg(QString::number(i + 1), describe(relais, relais.rows[i], 1), QString::number(MaxRows));
    if (relais.rows.size() > MaxRows)
        relais.rows.resize(MaxRows);
    const int numero = columnIndex(relais, QStringLiteral("N°"));
    const int nom = columnIndex(relais, QStringLiteral("Nom"));
    const int key = columnIndex(relais, QStringLiteral("N°DTMF"));
    const int freq = columnIndex(relais, QStringLiteral("Freq"));
    const int chemin = columnIndex(relais, QStringLiteral("Chemin"));
    QHash<QString, int> keyRow;
    for (int i = 0; i < relais.rows.size(); ++i) {
        QVariantList &r = relais.rows[i];
        const QString where = row.arg(i + 1) + (textOf(r[nom]).isEmpty() ? QString() : QStringLiteral(" (%1)").arg(textOf(r[nom])));
        renumber(r[numero], i + 1, where, report);
        if (textOf(r[nom]).isEmpty())
            report << where + QStringLiteral(" : le nom est vide ; importé tel quel.");
        if (textOf(r[freq]).isEmpty())
            report << where + QStringLiteral(" : la fréquence est vide ; importée telle quelle.");
        const QString k = textOf(r[key]);
        if (k.isEmpty())
            report << where + QStringLiteral(" : pas de touche DTMF ; aucun faisceau ni aucune route ne mène à ce relais.");
        else if (k.size() != 1 || !dtmfKeys().contains(k))
            report << where + QStringLiteral(" : « %1 » n'est pas une touche DTMF (0 à 9, A à D, * ou #) ; importé tel quel, "
                                             "aucun faisceau ni aucune route ne mène à ce relais.").arg(k);
        else if (keyRow.contains(k))
            report << where + QStringLiteral(" : la touche %1 est aussi celle de la ligne %2 ; faisceaux et routes mènent "
                                             "à la dernière des deux, comme avant.").arg(k, QString::number(keyRow[k] + 1));
        keyRow[k] = i;
        const QString bad = strangers(textOf(r[chemin]));
        if (!bad.isEmpty())
            report << where + QStringLiteral(" : le faisceau « %1 » contient « %2 », qui n'est pas une touche DTMF ; "
                                             "importé tel quel.").arg(textOf(r[chemin]), bad);
        for (const char *pos : {"PosGauche", "PosHaut", "LibellePosGau", "LibellePosHaut"}) {
            const int c = columnIndex(relais, QLatin1String(pos));
            if (r[c].isNull())
                report << where + QStringLiteral(" : %1 est vide ; lu comme 0.").arg(QLatin1String(pos));
        }
    }
}

void checkCommands(Target &t, const QString &repeater, QStringList &report)
{
    for (int i = MaxRows; i < t.rows.size(); ++i)
        report << QStringLiteral("Table %1, ligne %2 (%3) : au-delà de %4 commandes ; elle n'est pas importée.")
                      .arg(t.name, QString::number(i + 1), describe(t, t.rows[i], 1), QString::number(MaxRows));
    if (t.rows.size() > MaxRows)
        t.rows.resize(MaxRows);
    // Fields are read by position, as the command window reads them.
    for (int i = 0; i < t.rows.size(); ++i) {
        QVariantList &r = t.rows[i];
        const QString where = QStringLiteral("Relais %1, commande %2").arg(repeater, QString::number(i + 1));
        renumber(r[0], i + 1, where, report);
        for (int c = 1; c <= 2; ++c)
            if (textOf(r.value(c)).isEmpty())
                report << where + QStringLiteral(" : %1 est vide ; importé tel quel.").arg(t.columns[c].name);
        for (int c = 3; c < r.size() && c <= 9; ++c) {
            const QString v = textOf(r[c]);
            if (c <= 7 && sequenceAbsent(v))
                continue;
            const QString bad = strangers(v, c == 8 ? QStringLiteral("-") : QString());
            if (!bad.isEmpty())
                report << where + QStringLiteral(" : %1 « %2 » contient « %3 », qui n'est pas une touche DTMF ; importé tel quel.")
                                      .arg(t.columns[c].name, v, bad);
            if (v.size() > SequenceLength)
                report << where + QStringLiteral(" : %1 a %2 caractères (%3 au plus) ; importé en entier.")
                                      .arg(t.columns[c].name, QString::number(v.size()),
                                           QString::number(SequenceLength));
        }
    }
}

QString columnSql(const Column &c, bool limitText)
{
    const QString name = Store::quoted(c.name);
    switch (c.kind) {
    case Kind::Integer:
        return name + QStringLiteral(" INTEGER");
    case Kind::Real:
        return name + QStringLiteral(" REAL");
    case Kind::Other:
        return name + QStringLiteral(" BLOB");
    case Kind::Text:
        break;
    }
    if (c.size <= 0)
        return name + QStringLiteral(" TEXT");
    QString sql = QStringLiteral("%1 VARCHAR(%2)").arg(name, QString::number(c.size));
    if (limitText)
        sql += QStringLiteral(" CHECK (length(%1) <= %2)").arg(name, QString::number(c.size));
    return sql;
}

bool writeTables(const QString &path, const QVector<Target> &tables, QString *error)
{
    const QString connection = QStringLiteral("pontavel-import-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        for (const Target &t : tables) {
            if (!ok)
                break;
            QStringList cols, marks;
            for (const Column &c : t.columns) {
                cols << columnSql(c, t.limitText);
                marks << QStringLiteral("?");
            }
            ok = q.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(Store::quoted(t.name), cols.join(QStringLiteral(", "))))
                 && q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(Store::quoted(t.name), marks.join(u',')));
            for (const QVariantList &row : t.rows) {
                if (!ok)
                    break;
                for (const QVariant &v : row)
                    q.addBindValue(v);
                ok = q.exec();
            }
        }
        if (ok)
            ok = db.commit();
        if (!ok)
            *error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

void syncFolder(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString Result::counts() const
{
    const QString r = QStringLiteral("%1 relais").arg(repeaters);
    const QString c = QStringLiteral("%1 commande%2").arg(commands).arg(commands > 1 ? "s" : "");
    return settings ? QStringLiteral("%1, %2 et les réglages").arg(r, c) : QStringLiteral("%1 et %2").arg(r, c);
}

QString backupName(const QString &dbPath)
{
    const QFileInfo fi(dbPath);
    const QString stem = fi.dir().filePath(fi.completeBaseName() + QDateTime::currentDateTime().toString(u"-yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QStringLiteral("-%1.db").arg(n);
    return name;
}

Result write(const OldDatabase &old, const QString &dbPath, bool replace,
             const std::function<bool(const Result &)> &confirm)
{
    Result res;
    const Table *relaisSource = old.find(QStringLiteral("Relais"));
    const Table *paramSource = old.find(QStringLiteral("Param"));
    if (!relaisSource || !paramSource) {
        res.error = QStringLiteral("Cette base ne contient pas les tables Relais et Param. Rien n'a été importé.");
        return res;
    }
    if (!replace && QFileInfo::exists(dbPath)) {
        res.error = QStringLiteral("%1 existe déjà ; elle n'a pas été remplacée. Rien n'a été importé.")
                        .arg(QDir::toNativeSeparators(dbPath));
        return res;
    }

    QVector<Target> tables;
    Target relais = complete(*relaisSource, relaisModel, res.report);
    relais.name = QStringLiteral("Relais");
    checkRepeaters(relais, res.report);
    Target param = complete(*paramSource, paramModel, res.report);
    param.name = QStringLiteral("Param");
    if (param.rows.isEmpty())
        res.report << QStringLiteral("Param : aucune ligne de réglages ; Pontavel prendra ses réglages par défaut.");
    tables << relais << param;

    QStringList used{relaisSource->name, paramSource->name};
    const int nom = columnIndex(relais, QStringLiteral("Nom"));
    for (int i = 1; i <= relais.rows.size(); ++i) {
        const QString name = QString::number(i);
        const QString repeater = QStringLiteral("%1 (%2)").arg(name, textOf(relais.rows[i - 1][nom]));
        const Table *source = nullptr;
        for (const Table &t : old.tables)
            if (t.name == name)
                source = &t;
        Target t;
        if (source) {
            t = complete(*source, commandModel, res.report);
            used << source->name;
        } else {
            t.name = name;
            for (const Field &f : commandModel)
                t.columns.append({QString::fromUtf8(f.name), f.kind, f.size});
            res.report << QStringLiteral("Relais %1 : la table de commandes « %2 » manque ; une table vide est créée.")
                              .arg(repeater, name);
        }
        t.limitText = true;
        checkCommands(t, repeater, res.report);
        res.commands += int(t.rows.size());
        tables << t;
    }
    for (const Table &t : old.tables)
        if (!used.contains(t.name))
            res.report << QStringLiteral("Table %1 : aucun relais ne lui correspond ; elle n'est pas importée.").arg(t.name);
    for (const QString &t : old.otherTables)
        res.report << QStringLiteral("Table %1 : elle ne fait pas partie du réseau ; elle n'est pas importée.").arg(t);
    res.repeaters = int(relais.rows.size());
    res.settings = !param.rows.isEmpty();

    // Everything goes to a temporary file beside the target, so that the
    // last step is one rename on the same file system.
    const QFileInfo target(dbPath);
    const QString dir = target.absolutePath();
    QString tmpPath;
    {
        QTemporaryFile tmp(QDir(dir).filePath(QStringLiteral(".%1.import-XXXXXX").arg(target.fileName())));
        tmp.setAutoRemove(false);
        if (!tmp.open()) {
            res.error = QStringLiteral("Impossible d'écrire dans le dossier %1 : %2. Rien n'a été importé.")
                            .arg(QDir::toNativeSeparators(dir), tmp.errorString());
            return res;
        }
        tmpPath = tmp.fileName();
    }
    auto fail = [&](const QString &why) {
        QFile::remove(tmpPath);
        QFile::remove(tmpPath + QStringLiteral("-journal"));
        res.error = why;
        res.backup.clear();
        return res;
    };
    QString sqlError;
    if (!writeTables(tmpPath, tables, &sqlError))
        return fail(QStringLiteral("Impossible d'écrire la nouvelle base : %1. Rien n'a été importé.").arg(sqlError));
    if (confirm && !confirm(res))
        return fail(QString());

    const QByteArray from = QFile::encodeName(tmpPath);
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (!replace) {
        // No window between looking and writing: the rename itself refuses.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
            if (errno == EEXIST)
                return fail(QStringLiteral("%1 existe déjà ; elle n'a pas été remplacée. Rien n'a été importé.")
                                .arg(QDir::toNativeSeparators(dbPath)));
            if ((errno != EINVAL && errno != ENOSYS) || QFileInfo::exists(dbPath)
                || ::rename(from.constData(), to.constData()) != 0)
                return fail(QStringLiteral("Impossible de créer %1 : %2. Rien n'a été importé.")
                                .arg(QDir::toNativeSeparators(dbPath), systemError()));
        }
    } else {
        if (QFileInfo::exists(dbPath)) {
            res.backup = backupName(dbPath);
            const QByteArray keep = QFile::encodeName(res.backup);
            if (::link(to.constData(), keep.constData()) != 0 && !QFile::copy(dbPath, res.backup))
                return fail(QStringLiteral("Impossible de garder l'ancienne base sous %1. Rien n'a été importé.")
                                .arg(QDir::toNativeSeparators(res.backup)));
        }
        if (::rename(from.constData(), to.constData()) != 0) {
            const QString why = systemError();
            if (!res.backup.isEmpty())
                QFile::remove(res.backup);
            return fail(QStringLiteral("Impossible de remplacer %1 : %2. Rien n'a été importé.")
                            .arg(QDir::toNativeSeparators(dbPath), why));
        }
    }
    syncFolder(dir);
    res.written = true;
    return res;
}

Result importFile(const QString &mdbPath, const QString &dbPath, bool replace)
{
    OldDatabase old;
    Result res;
    if (!readMdb(mdbPath, &old, &res.error))
        return res;
    return write(old, dbPath, replace);
}

} // namespace MdbImport
