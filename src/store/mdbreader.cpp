#include "mdbreader.h"

#include "schema.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <mdbtools.h>

#include <charconv>
#include <memory>
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
    return isNumberName(name) || name.compare(QString::fromUtf8(Schema::relais().name), Qt::CaseInsensitive) == 0
           || name.compare(QString::fromUtf8(Schema::param().name), Qt::CaseInsensitive) == 0;
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
    for (const char *needed : {Schema::relais().name, Schema::param().name})
        if (!out->find(QString::fromUtf8(needed)))
            missing << QString::fromUtf8(needed);
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

} // namespace MdbImport
