#include "store.h"

#include "schema.h"
#include "transaction.h"

#include "core/systemerrors.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

// Writes of the two table editors. Every change that takes more than one
// statement runs in one transaction, so that an error or a crash half-way
// leaves the file as it was before.

namespace {

namespace RelaisField = Schema::RelaisField;

QString errorText(const QSqlQuery &q)
{
    const QSqlError e = q.lastError();
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    return t;
}

// Runs one statement; on failure *why receives the engine's description.
bool run(QSqlDatabase db, const QString &sql, const QVariantList &binds, QString *why)
{
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        *why = errorText(q);
        return false;
    }
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        *why = errorText(q);
        return false;
    }
    return true;
}

// Rowids of a table in stored order: the position of a row is its index + 1.
bool rowIds(QSqlDatabase db, const QString &table, QVector<qint64> *ids, QString *why)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(Store::quoted(table)))) {
        *why = errorText(q);
        return false;
    }
    ids->clear();
    while (q.next())
        ids->append(q.value(0).toLongLong());
    return true;
}

// Names of the fields after N° of a command table, taken by position: an
// imported table keeps the names the old file gave them.
bool commandFieldNames(QSqlDatabase db, const QString &table, QStringList *names, QString *why)
{
    const QSqlRecord rec = db.record(table);
    if (rec.count() < Schema::commands().count()) {
        *why = rec.isEmpty() ? QStringLiteral("la table %1 est introuvable").arg(table)
                             : QStringLiteral("la table %1 n'a pas ses dix champs").arg(table);
        return false;
    }
    names->clear();
    for (int i = Schema::CommandField::Numero + 1; i < Schema::commands().count(); ++i)
        names->append(Store::quoted(rec.fieldName(i)));
    return true;
}

QVariantList commandValues(const Command &c)
{
    QVariantList v{c.tx, c.rx};
    for (const QString &w : c.wav)
        v << w;
    v << c.chemin << c.relais;
    return v;
}

QString relaisTable()
{
    return QString::fromUtf8(Schema::relais().name);
}

QString relaisField(int f)
{
    return Store::quoted(Schema::relais().fieldName(f));
}

// N° of a command table.
QString numeroField()
{
    return Store::quoted(Schema::commands().fieldName(Schema::CommandField::Numero));
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QVector<QVariantList> Store::repeaterRows(QString *error) const
{
    QVector<QVariantList> out;
    if (!m_open) {
        fail(error, m_lastError);
        return out;
    }
    QStringList cols;
    for (const QString &f : Schema::relais().fieldNames())
        cols << quoted(f);
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(cols.join(','), quoted(relaisTable())))) {
        fail(error, QStringLiteral("Impossible de lire la table Relais : %1").arg(errorText(q)));
        return out;
    }
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < cols.size(); ++i)
            row << q.value(i);
        out.append(row);
    }
    return out;
}

QVector<QVariantList> Store::commandRows(int repeater, QString *error) const
{
    QVector<QVariantList> out;
    if (!m_open) {
        fail(error, m_lastError);
        return out;
    }
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(quoted(Schema::commandTable(repeater))))) {
        fail(error, QStringLiteral("Impossible de lire la table des commandes du relais %1 : %2")
                        .arg(repeater)
                        .arg(errorText(q)));
        return out;
    }
    const int fields = q.record().count();
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < Schema::commands().count(); ++i)
            row << (i < fields ? q.value(i) : QVariant());
        out.append(row);
    }
    return out;
}

int Store::repeaterCount() const
{
    QVector<qint64> ids;
    QString why;
    return m_open && rowIds(database(), relaisTable(), &ids, &why) ? int(ids.size()) : 0;
}

int Store::commandCount(int repeater) const
{
    QVector<qint64> ids;
    QString why;
    return m_open && rowIds(database(), Schema::commandTable(repeater), &ids, &why) ? int(ids.size()) : 0;
}

int Store::addRepeater(const QString &nom, const QString &dtmf, const QString &freq, const QString &chemin,
                       QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("Aucune base de données ouverte : le relais n'a pas été ajouté."));
    QSqlDatabase db = database();
    Transaction t(db);
    QString why;
    QVector<qint64> ids;
    if (!t.begun() || !rowIds(db, relaisTable(), &ids, &why)) {
        fail(error, QStringLiteral("Impossible d'ajouter le relais : %1\nRien n'a été enregistré.")
                        .arg(why.isEmpty() ? SystemErrors::sql(db.lastError()) : why));
        return 0;
    }
    // The number is the position: it stays right even if a stored N° is not.
    const int n = int(ids.size()) + 1;
    if (n > Schema::MaxRepeaters) {
        fail(error, Schema::repeaterLimitText());
        return 0;
    }
    const bool ok =
        run(db, Schema::relais().insertSql(), {n, nom, dtmf, freq, 0, 0, 0, 0, chemin}, &why)
        && CreeTable(Schema::commandTable(n), &why);
    if (!ok || !t.commit()) {
        fail(error, QStringLiteral("Impossible d'ajouter le relais %1 : %2\nRien n'a été enregistré.")
                        .arg(n)
                        .arg(ok ? SystemErrors::sql(db.lastError()) : why));
        return 0;
    }
    return n;
}

bool Store::updateRepeater(int numero, const QString &nom, const QString &dtmf, const QString &freq,
                           const QString &chemin, QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("Aucune base de données ouverte : le relais n'a pas été modifié."));
    QSqlDatabase db = database();
    QString why;
    QVector<qint64> ids;
    if (!rowIds(db, relaisTable(), &ids, &why))
        return fail(error, QStringLiteral("Impossible de modifier le relais %1 : %2").arg(numero).arg(why));
    if (numero < 1 || numero > ids.size())
        return fail(error, QStringLiteral("Le relais %1 n'existe pas.").arg(numero));
    if (!run(db,
             QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ?, %4 = ?, %5 = ? WHERE rowid = ?")
                 .arg(quoted(relaisTable()), relaisField(RelaisField::Nom), relaisField(RelaisField::Dtmf),
                      relaisField(RelaisField::Freq), relaisField(RelaisField::Chemin)),
             {nom, dtmf, freq, chemin, ids[numero - 1]}, &why))
        return fail(error, QStringLiteral("Impossible de modifier le relais %1 : %2").arg(numero).arg(why));
    return true;
}

bool Store::deleteRepeater(int numero, QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("Aucune base de données ouverte : le relais n'a pas été supprimé."));
    QSqlDatabase db = database();
    Transaction t(db);
    QString why;
    QVector<qint64> ids;
    bool ok = t.begun(&why) && rowIds(db, relaisTable(), &ids, &why);
    if (ok && (numero < 1 || numero > ids.size()))
        return fail(error, QStringLiteral("Le relais %1 n'existe pas.").arg(numero));
    ok = ok && run(db, QStringLiteral("DROP TABLE %1").arg(quoted(Schema::commandTable(numero))), {}, &why)
         && run(db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(relaisTable())), {ids[numero - 1]},
                &why);
    // Each following repeater and its command table move one number down.
    // Renaming keeps the table's definition whole (field types and checks).
    for (int k = numero + 1; ok && k <= ids.size(); ++k) {
        ok = run(db,
                 QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                     .arg(quoted(relaisTable()), relaisField(RelaisField::Numero)),
                 {k - 1, ids[k - 1]}, &why)
             && run(db,
                    QStringLiteral("ALTER TABLE %1 RENAME TO %2")
                        .arg(quoted(Schema::commandTable(k)), quoted(Schema::commandTable(k - 1))),
                    {}, &why);
    }
    if (!ok || !t.commit())
        return fail(error, QStringLiteral("Impossible de supprimer le relais %1 : %2\n"
                                          "La base de données n'a pas été modifiée.")
                               .arg(numero)
                               .arg(ok ? SystemErrors::sql(db.lastError()) : why));
    return true;
}

int Store::insertCommand(int repeater, int before, const Command &c, QString *error)
{
    if (!m_open) {
        fail(error, QStringLiteral("Aucune base de données ouverte : la commande n'a pas été ajoutée."));
        return 0;
    }
    const QString table = Schema::commandTable(repeater);
    QSqlDatabase db = database();
    Transaction t(db);
    QString why;
    QVector<qint64> ids;
    QStringList names;
    bool ok = t.begun(&why) && rowIds(db, table, &ids, &why) && commandFieldNames(db, table, &names, &why);
    const int n = int(ids.size());
    if (ok && n >= Schema::MaxCommands) {
        fail(error, Schema::commandLimitText());
        return 0;
    }
    const QString setAll = names.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ?");
    // The new command goes to the end as n + 1 ...
    if (ok) {
        QVariantList binds{n + 1};
        binds << commandValues(c);
        ok = run(db,
                 QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4)")
                     .arg(quoted(table), numeroField(),
                          names.join(','), QStringList(names.size() + 1, QStringLiteral("?")).join(',')),
                 binds, &why);
    }
    int result = n + 1;
    // ... unless a row before the last was selected: then the contents of rows
    // p .. n move one place down (numbers stay) and the new one takes place p.
    if (ok && before >= 1 && before < n) {
        ok = rowIds(db, table, &ids, &why);
        const QString cols = names.join(',');
        for (int k = n; ok && k >= before; --k)
            ok = run(db,
                     QStringLiteral("UPDATE %1 SET (%2) = (SELECT %2 FROM %1 WHERE rowid = ?) WHERE rowid = ?")
                         .arg(quoted(table), cols),
                     {ids[k - 1], ids[k]}, &why);
        if (ok) {
            QVariantList binds = commandValues(c);
            binds << ids[before - 1];
            ok = run(db, QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(table), setAll), binds,
                     &why);
        }
        result = before;
    }
    if (!ok || !t.commit()) {
        fail(error, QStringLiteral("Impossible d'ajouter la commande au relais %1 : %2\nRien n'a été enregistré.")
                        .arg(repeater)
                        .arg(ok ? SystemErrors::sql(db.lastError()) : why));
        return 0;
    }
    return result;
}

bool Store::updateCommand(int repeater, int numero, const Command &c, QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("Aucune base de données ouverte : la commande n'a pas été modifiée."));
    const QString table = Schema::commandTable(repeater);
    QSqlDatabase db = database();
    QString why;
    QVector<qint64> ids;
    QStringList names;
    if (!rowIds(db, table, &ids, &why) || !commandFieldNames(db, table, &names, &why))
        return fail(error, QStringLiteral("Impossible de modifier la commande %1 : %2").arg(numero).arg(why));
    if (numero < 1 || numero > ids.size())
        return fail(error, QStringLiteral("La commande %1 n'existe pas.").arg(numero));
    QVariantList binds = commandValues(c);
    binds << ids[numero - 1];
    if (!run(db,
             QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                 .arg(quoted(table), names.join(QStringLiteral(" = ?, "))),
             binds, &why))
        return fail(error, QStringLiteral("Impossible de modifier la commande %1 : %2").arg(numero).arg(why));
    return true;
}

bool Store::deleteCommand(int repeater, int numero, QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("Aucune base de données ouverte : la commande n'a pas été supprimée."));
    const QString table = Schema::commandTable(repeater);
    QSqlDatabase db = database();
    Transaction t(db);
    QString why;
    QVector<qint64> ids;
    bool ok = t.begun(&why) && rowIds(db, table, &ids, &why);
    if (ok && (numero < 1 || numero > ids.size()))
        return fail(error, QStringLiteral("La commande %1 n'existe pas.").arg(numero));
    ok = ok && run(db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(table)), {ids[numero - 1]}, &why);
    for (int k = numero + 1; ok && k <= ids.size(); ++k)
        ok = run(db, QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?").arg(quoted(table), numeroField()),
                 {k - 1, ids[k - 1]}, &why);
    if (!ok || !t.commit())
        return fail(error, QStringLiteral("Impossible de supprimer la commande %1 : %2\n"
                                          "La base de données n'a pas été modifiée.")
                               .arg(numero)
                               .arg(ok ? SystemErrors::sql(db.lastError()) : why));
    return true;
}

bool Store::writeCommandField(int repeater, int numero, int field, const QString &value, QString *error)
{
    if (!m_open)
        return fail(error, QStringLiteral("Aucune base de données ouverte."));
    const QString table = Schema::commandTable(repeater);
    QSqlDatabase db = database();
    QString why;
    QVector<qint64> ids;
    QStringList names;
    if (field <= Schema::CommandField::Numero || field >= Schema::commands().count())
        return fail(error, QStringLiteral("Le champ %1 ne peut pas être modifié.").arg(field));
    if (!rowIds(db, table, &ids, &why) || !commandFieldNames(db, table, &names, &why))
        return fail(error, why);
    if (numero < 1 || numero > ids.size())
        return fail(error, QStringLiteral("La commande %1 n'existe pas.").arg(numero));
    if (!run(db, QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?").arg(quoted(table), names[field - 1]),
             {value, ids[numero - 1]}, &why))
        return fail(error, why);
    return true;
}
