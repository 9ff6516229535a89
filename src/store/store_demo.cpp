#include "store.h"

#include "schema.h"
#include "transaction.h"

#include "core/systemerrors.h"

#include <QSqlError>
#include <QSqlQuery>

bool Store::appendNetwork(const QVector<Repeater> &repeaters, const QVector<QVector<Command>> &commands,
                          QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!m_open)
        return fail(m_lastError.isEmpty() ? QStringLiteral("Aucune base de données ouverte.") : m_lastError);
    if (commands.size() > repeaters.size())
        return fail(QStringLiteral("Des commandes n'ont pas de relais."));

    QSqlDatabase db = database();
    Transaction t(db);
    if (!t.begun())
        return fail(t.error());

    const Schema::Table &relais = Schema::relais();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(relais.name))) || !q.next())
        return fail(SystemErrors::sql(q.lastError()));
    int numero = q.value(0).toInt();
    if (numero + repeaters.size() > Schema::MaxRepeaters)
        return fail(QStringLiteral("Le réseau dépasserait %1 relais.").arg(Schema::MaxRepeaters));

    for (int k = 0; k < repeaters.size(); ++k) {
        const Repeater &r = repeaters[k];
        ++numero;
        if (!q.prepare(relais.insertSql()))
            return fail(SystemErrors::sql(q.lastError()));
        for (const QVariant &v : {QVariant(numero), QVariant(r.nom), QVariant(r.dtmf), QVariant(r.freq),
                                  QVariant(r.posGauche), QVariant(r.posHaut), QVariant(r.libellePosGau),
                                  QVariant(r.libellePosHaut), QVariant(r.chemin)})
            q.addBindValue(v);
        if (!q.exec())
            return fail(QStringLiteral("Relais %1 : %2").arg(r.nom, SystemErrors::sql(q.lastError())));

        const QString table = Schema::commandTable(numero);
        QString why;
        if (!CreeTable(table, &why))
            return fail(QStringLiteral("Table %1 : %2").arg(table, why));
        if (k >= commands.size())
            continue;
        int cmd = 0;
        for (const Command &c : commands[k]) {
            if (!q.prepare(Schema::commands().insertSql(table)))
                return fail(SystemErrors::sql(q.lastError()));
            q.addBindValue(++cmd);
            q.addBindValue(c.tx);
            q.addBindValue(c.rx);
            for (const QString &w : c.wav)
                q.addBindValue(w);
            q.addBindValue(c.chemin);
            q.addBindValue(c.relais);
            if (!q.exec())
                return fail(QStringLiteral("Commande « %1 » du relais %2 : %3")
                                .arg(c.tx, r.nom, SystemErrors::sql(q.lastError())));
        }
    }
    if (!t.commit())
        return fail(t.error());
    return true;
}
