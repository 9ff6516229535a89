#include "store.h"
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
    if (!db.transaction())
        return fail(SystemErrors::sql(db.lastError()));
    auto rollback = [&](const QString &why) {
        db.rollback();
        return fail(why);
    };

    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM \"Relais\"")) || !q.next())
        return rollback(SystemErrors::sql(q.lastError()));
    int numero = q.value(0).toInt();
    if (numero + repeaters.size() > 30)
        return rollback(QStringLiteral("Le réseau dépasserait 30 relais."));

    for (int k = 0; k < repeaters.size(); ++k) {
        const Repeater &r = repeaters[k];
        ++numero;
        if (!q.prepare(QStringLiteral("INSERT INTO \"Relais\" (\"N°\",\"Nom\",\"N°DTMF\",\"Freq\",\"PosGauche\","
                                      "\"PosHaut\",\"LibellePosGau\",\"LibellePosHaut\",\"Chemin\") "
                                      "VALUES (?,?,?,?,?,?,?,?,?)")))
            return rollback(SystemErrors::sql(q.lastError()));
        for (const QVariant &v : {QVariant(numero), QVariant(r.nom), QVariant(r.dtmf), QVariant(r.freq),
                                  QVariant(r.posGauche), QVariant(r.posHaut), QVariant(r.libellePosGau),
                                  QVariant(r.libellePosHaut), QVariant(r.chemin)})
            q.addBindValue(v);
        if (!q.exec())
            return rollback(QStringLiteral("Relais %1 : %2").arg(r.nom, SystemErrors::sql(q.lastError())));

        const QString table = QString::number(numero);
        QString why;
        if (!CreeTable(table, &why))
            return rollback(QStringLiteral("Table %1 : %2").arg(table, why));
        if (k >= commands.size())
            continue;
        int cmd = 0;
        for (const Command &c : commands[k]) {
            if (!q.prepare(QStringLiteral("INSERT INTO %1 VALUES (?,?,?,?,?,?,?,?,?,?)").arg(quoted(table))))
                return rollback(SystemErrors::sql(q.lastError()));
            q.addBindValue(++cmd);
            q.addBindValue(c.tx);
            q.addBindValue(c.rx);
            for (const QString &w : c.wav)
                q.addBindValue(w);
            q.addBindValue(c.chemin);
            q.addBindValue(c.relais);
            if (!q.exec())
                return rollback(QStringLiteral("Commande « %1 » du relais %2 : %3")
                                    .arg(c.tx, r.nom, SystemErrors::sql(q.lastError())));
        }
    }
    if (!db.commit())
        return rollback(SystemErrors::sql(db.lastError()));
    return true;
}
