#include "store.h"
#include "core/systemerrors.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

// Writes of the two table editors. Every change that takes more than one
// statement runs in one transaction, so that an error or a crash half-way
// leaves the file as it was before.

namespace {

// Rolls back whatever was not committed when it goes out of scope.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db) : m_db(db)
    {
        m_begun = m_db.transaction();
        if (!m_begun)
            m_why = SystemErrors::sql(m_db.lastError());
    }
    ~Transaction()
    {
        if (m_begun && !m_committed)
            m_db.rollback();
    }
    bool begun() const { return m_begun; }
    // As begun(), and a failure leaves the engine's reason in *why.
    bool begun(QString *why) const
    {
        if (!m_begun)
            *why = m_why;
        return m_begun;
    }
    bool commit()
    {
        m_committed = m_db.commit();
        return m_committed;
    }

private:
    QSqlDatabase m_db;
    bool m_begun = false;
    bool m_committed = false;
    QString m_why;
};

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

// Names of the fields 1 to 9 of a command table, taken by position.
bool commandFieldNames(QSqlDatabase db, const QString &table, QStringList *names, QString *why)
{
    const QSqlRecord rec = db.record(table);
    if (rec.count() < 10) {
        *why = rec.isEmpty() ? QStringLiteral("la table %1 est introuvable").arg(table)
                             : QStringLiteral("la table %1 n'a pas ses dix champs").arg(table);
        return false;
    }
    names->clear();
    for (int i = 1; i < 10; ++i)
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
    for (const QString &f : relaisFields())
        cols << quoted(f);
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM \"Relais\" ORDER BY rowid").arg(cols.join(',')))) {
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
    if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(quoted(QString::number(repeater))))) {
        fail(error, QStringLiteral("Impossible de lire la table des commandes du relais %1 : %2")
                        .arg(repeater)
                        .arg(errorText(q)));
        return out;
    }
    const int fields = q.record().count();
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < 10; ++i)
            row << (i < fields ? q.value(i) : QVariant());
        out.append(row);
    }
    return out;
}

int Store::repeaterCount() const
{
    QVector<qint64> ids;
    QString why;
    return m_open && rowIds(database(), QStringLiteral("Relais"), &ids, &why) ? int(ids.size()) : 0;
}

int Store::commandCount(int repeater) const
{
    QVector<qint64> ids;
    QString why;
    return m_open && rowIds(database(), QString::number(repeater), &ids, &why) ? int(ids.size()) : 0;
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
    if (!t.begun() || !rowIds(db, QStringLiteral("Relais"), &ids, &why)) {
        fail(error, QStringLiteral("Impossible d'ajouter le relais : %1\nRien n'a été enregistré.")
                        .arg(why.isEmpty() ? SystemErrors::sql(db.lastError()) : why));
        return 0;
    }
    // The number is the position: it stays right even if a stored N° is not.
    const int n = int(ids.size()) + 1;
    if (n > MaxRepeaters) {
        fail(error, QStringLiteral("Le nombre de relais est limité à 30"));
        return 0;
    }
    const bool ok =
        run(db,
            QStringLiteral("INSERT INTO \"Relais\" (\"N°\",\"Nom\",\"N°DTMF\",\"Freq\",\"PosGauche\",\"PosHaut\","
                           "\"LibellePosGau\",\"LibellePosHaut\",\"Chemin\") VALUES (?,?,?,?,0,0,0,0,?)"),
            {n, nom, dtmf, freq, chemin}, &why)
        && CreeTable(QString::number(n), &why);
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
    if (!rowIds(db, QStringLiteral("Relais"), &ids, &why))
        return fail(error, QStringLiteral("Impossible de modifier le relais %1 : %2").arg(numero).arg(why));
    if (numero < 1 || numero > ids.size())
        return fail(error, QStringLiteral("Le relais %1 n'existe pas.").arg(numero));
    if (!run(db,
             QStringLiteral("UPDATE \"Relais\" SET \"Nom\" = ?, \"N°DTMF\" = ?, \"Freq\" = ?, \"Chemin\" = ? "
                            "WHERE rowid = ?"),
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
    bool ok = t.begun(&why) && rowIds(db, QStringLiteral("Relais"), &ids, &why);
    if (ok && (numero < 1 || numero > ids.size()))
        return fail(error, QStringLiteral("Le relais %1 n'existe pas.").arg(numero));
    ok = ok && run(db, QStringLiteral("DROP TABLE %1").arg(quoted(QString::number(numero))), {}, &why)
         && run(db, QStringLiteral("DELETE FROM \"Relais\" WHERE rowid = ?"), {ids[numero - 1]}, &why);
    // Each following repeater and its command table move one number down.
    // Renaming keeps the table's definition whole (field types and checks).
    for (int k = numero + 1; ok && k <= ids.size(); ++k) {
        ok = run(db, QStringLiteral("UPDATE \"Relais\" SET \"N°\" = ? WHERE rowid = ?"), {k - 1, ids[k - 1]},
                 &why)
             && run(db,
                    QStringLiteral("ALTER TABLE %1 RENAME TO %2")
                        .arg(quoted(QString::number(k)), quoted(QString::number(k - 1))),
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
    const QString table = QString::number(repeater);
    QSqlDatabase db = database();
    Transaction t(db);
    QString why;
    QVector<qint64> ids;
    QStringList names;
    bool ok = t.begun(&why) && rowIds(db, table, &ids, &why) && commandFieldNames(db, table, &names, &why);
    const int n = int(ids.size());
    if (ok && n >= MaxCommands) {
        fail(error, QStringLiteral("Le nombre de commande par relais est limité à 30"));
        return 0;
    }
    const QString setAll = names.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ?");
    // The new command goes to the end as n + 1 ...
    if (ok) {
        QVariantList binds{n + 1};
        binds << commandValues(c);
        ok = run(db,
                 QStringLiteral("INSERT INTO %1 (\"N°\", %2) VALUES (?,?,?,?,?,?,?,?,?,?)")
                     .arg(quoted(table), names.join(',')),
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
    const QString table = QString::number(repeater);
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
    const QString table = QString::number(repeater);
    QSqlDatabase db = database();
    Transaction t(db);
    QString why;
    QVector<qint64> ids;
    bool ok = t.begun(&why) && rowIds(db, table, &ids, &why);
    if (ok && (numero < 1 || numero > ids.size()))
        return fail(error, QStringLiteral("La commande %1 n'existe pas.").arg(numero));
    ok = ok && run(db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(table)), {ids[numero - 1]}, &why);
    for (int k = numero + 1; ok && k <= ids.size(); ++k)
        ok = run(db, QStringLiteral("UPDATE %1 SET \"N°\" = ? WHERE rowid = ?").arg(quoted(table)),
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
    const QString table = QString::number(repeater);
    QSqlDatabase db = database();
    QString why;
    QVector<qint64> ids;
    QStringList names;
    if (field < 1 || field > 9)
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
