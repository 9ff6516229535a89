// The editors' writes on a real SQLite file: numbering, the command tables
// that follow their repeater, and that a write refused or failing half-way
// leaves the whole file as it was, also when its process is killed.

#include "testmain.h"
#include "testsupport.h"

namespace {

// Whole contents and bytes of the file, to prove that nothing was written.
QStringList snapshot(TempWorkspace &ws)
{
    QFile f(ws.file("relai.db"));
    f.open(QIODevice::ReadOnly);
    return dumpDatabase(ws.store().database()) << QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

// Repeaters "R1".."Rn"; command j of repeater k is "Rk/j".
void network(TempWorkspace &ws, int repeaters, int commands)
{
    for (int k = 1; k <= repeaters; ++k) {
        ws.addRepeater(QStringLiteral("R%1").arg(k), QString::number(k % 10), QStringLiteral("10.%1").arg(400 + k));
        for (int j = 1; j <= commands; ++j)
            ws.addCommand(k, QStringLiteral("R%1/%2").arg(k).arg(j), QStringLiteral("rx %1").arg(j), {QString::number(j), "#"});
    }
}

// One field of every row, joined: "1,2,3".
QString column(const QVector<QVariantList> &rows, int field = 0)
{
    QStringList out;
    for (const QVariantList &r : rows)
        out << r.value(field).toString();
    return out.join(',');
}

QString numbers(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QString::number(i);
    return out.join(',');
}

Command command(const QString &tx, const QString &wav2 = {})
{
    return Command{0, tx, tx + " rx", {"12", "", wav2, "", "D#"}, "12-23", "123"};
}

// What a killed writer must leave: Relais numbered 1..n in stored order, one
// command table per row and nothing else, each table numbered 1..m and
// holding only commands of the repeater its row names, no command twice.
// At most one table may be one short (a command move between delete and
// re-insert), none when the network itself is one short.
QString checkWhole(const QString &path)
{
    Store store;
    if (store.open(path) != Store::OpenResult::Opened)
        return "open: " + store.lastError();
    QSqlQuery q(store.database());
    if (!q.exec("PRAGMA integrity_check") || !q.next() || q.value(0).toString() != "ok")
        return "integrity_check: " + q.value(0).toString();
    const QVector<QVariantList> rows = store.repeaterRows();
    const int n = int(rows.size());
    if ((n != 29 && n != 30) || column(rows) != numbers(n) || commandTables(store.database()).join(',') != numbers(n))
        return "Relais " + column(rows) + ", tables " + commandTables(store.database()).join(',');
    QSet<QString> noms;
    int short_ = 0;
    for (int k = 1; k <= n; ++k) {
        const QString owner = rows[k - 1].value(1).toString() + '/';
        const QVector<QVariantList> cmds = store.commandRows(k);
        QSet<QString> seen;
        for (const QVariantList &c : cmds)
            if (c.value(1).toString().startsWith(owner))
                seen.insert(c.value(1).toString());
        noms.insert(owner);
        short_ += cmds.size() == 29;
        if (cmds.size() < 29 || column(cmds) != numbers(cmds.size()) || seen.size() != cmds.size())
            return QStringLiteral("table %1 of %2: %3").arg(k).arg(owner, column(cmds, 1));
    }
    if (noms.size() != n || short_ > (n == 30 ? 1 : 0))
        return QStringLiteral("%1 names for %2 repeaters, %3 tables short").arg(noms.size()).arg(n).arg(short_);
    return {};
}

} // namespace

class tst_EditStore : public QObject
{
    Q_OBJECT
private slots:
    void repeatersTakeTheirTablesAlong()
    {
        TempWorkspace ws;
        network(ws, 4, 3);
        Store &store = ws.store();
        QString error;
        QCOMPARE(store.addRepeater("Cinq", "5", "10.450", "", &error), 5);
        QCOMPARE(store.repeaterRows().value(4), (QVariantList{5, "Cinq", "5", "10.450", 0, 0, 0, 0, ""}));
        QVERIFY(!store.repeaterRows().value(4).value(8).isNull());  // an empty beam is a text, not no value
        QVERIFY(commandTables(store.database()).join(',') == numbers(5) && store.commandRows(5).isEmpty());
        const auto old1 = tableRows(store.database(), "1"), old3 = tableRows(store.database(), "3");
        const auto old4 = tableRows(store.database(), "4");
        auto sqlOf = [&](const QString &table) { return dumpDatabase(store.database()).filter("table|" + table + '|'); };
        const QString sql3 = sqlOf("3").join("");
        QVERIFY2(store.deleteRepeater(2, &error), qPrintable(error));
        QCOMPARE(column(store.repeaterRows()) + ' ' + column(store.repeaterRows(), 1), "1,2,3,4 R1,R3,R4,Cinq");
        QCOMPARE(commandTables(store.database()).join(','), numbers(4));
        QVERIFY(tableRows(store.database(), "1") == old1 && tableRows(store.database(), "2") == old3);
        QCOMPARE(tableRows(store.database(), "3"), old4);
        // The moved table keeps its definition, checks included.
        QCOMPARE(sqlOf("2").join(""), QString(sql3).replace("\"3\"", "\"2\"").replace("|3|", "|2|"));
        // The last one: only its table goes.
        QVERIFY2(store.deleteRepeater(4, &error), qPrintable(error));
        QVERIFY(commandTables(store.database()).join(',') == numbers(3) && tableRows(store.database(), "3") == old4);
        for (int k = 3; k >= 1; --k)
            QVERIFY(store.deleteRepeater(1, &error));
        QVERIFY(store.repeaterRows().isEmpty() && commandTables(store.database()).isEmpty() &&
                store.addRepeater("Neuf", "1", "10.400", "") == 1);
    }

    void commandsMoveByContentsNotNumbers()
    {
        TempWorkspace ws;
        network(ws, 2, 4);
        Store &store = ws.store();
        // Before 2; before the last row, that is at the end; no selection: at the end; before the first.
        const struct { int before, placed; const char *tx; } at[] = {{2, 2, "X"}, {5, 6, "Y"}, {0, 7, "Z"}, {1, 1, "W"}};
        for (const auto &c : at)
            QCOMPARE(store.insertCommand(1, c.before, command(c.tx)), c.placed);
        QCOMPARE(column(store.commandRows(1)) + ' ' + column(store.commandRows(1), 1), numbers(8) + " W,R1/1,X,R1/2,R1/3,R1/4,Y,Z");
        QCOMPARE(store.commandRows(1)[2], (QVariantList{3, "X", "X rx", "12", "", "", "", "D#", "12-23", "123"}));
        // The moved rows carry every field with them.
        QCOMPARE(store.commandRows(1)[3], (QVariantList{4, "R1/2", "rx 2", "2", "#", "", "", "", "", ""}));
        // Deleting renumbers the rows after it; the other table is untouched.
        const auto other = tableRows(store.database(), "2");
        QVERIFY(store.deleteCommand(1, 3) && store.deleteCommand(1, 7));
        QCOMPARE(column(store.commandRows(1)) + ' ' + column(store.commandRows(1), 1), "1,2,3,4,5,6 W,R1/1,R1/2,R1/3,R1/4,Y");
        QCOMPARE(tableRows(store.database(), "2"), other);
        // Updates write the row named and nothing else.
        const auto repeaters = store.repeaterRows();
        QVERIFY(store.updateRepeater(2, "Deux", "7", "10.777", "71"));
        QCOMPARE(store.repeaterRows(), (decltype(repeaters){repeaters[0], {2, "Deux", "7", "10.777", 0, 0, 0, 0, "71"}}));
        QVERIFY(store.updateCommand(2, 4, command("Autre")) && store.writeCommandField(2, 3, 6, "99"));  // the last one too
        QCOMPARE(store.commandRows(2)[3], (QVariantList{4, "Autre", "Autre rx", "12", "", "", "", "D#", "12-23", "123"}));
        QCOMPARE(store.commandRows(2)[2], (QVariantList{3, "R2/3", "rx 3", "3", "#", "", "99", "", "", ""}));
        QCOMPARE(column(store.commandRows(2), 1), "R2/1,R2/2,R2/3,Autre");
        // An empty table, then a single command selected: it is the last, the new one goes after it.
        QCOMPARE(store.addRepeater("Vide", "3", "10.500", ""), 3);
        QVERIFY(store.insertCommand(3, 1, command("Premier")) == 1 && store.insertCommand(3, 1, command("Second")) == 2);
        QCOMPARE(column(store.commandRows(3), 1), "Premier,Second");
    }

    // Each write below is refused, or fails at a later step than its first
    // write; the file must come out exactly as it went in, and the reason be told.
    void refusedWritesLeaveTheFileAsItWas()
    {
#define WRITE(call) [](Store &s, QString *e) { return bool(s.call); }
        const QString trigger = "CREATE TRIGGER injected BEFORE UPDATE ON \"%1\" WHEN %2 BEGIN SELECT RAISE(ABORT, 'injected'); END";
        const struct { int repeaters, commands; QStringList setup; bool (*write)(Store &, QString *); QString reason; } cases[] = {
            {30, 0, {}, WRITE(addRepeater("De trop", "B", "1", "", e)), "Le nombre de relais est limité à 30"},
            // A stray table already holds the next number.
            {2, 1, {"CREATE TABLE \"3\" (x)"}, WRITE(addRepeater("Trois", "3", "1", "", e)), "Impossible d'ajouter le relais 3|already exists"},
            {5, 2, {trigger.arg("Relais", "NEW.\"N°\" = 3")}, WRITE(deleteRepeater(2, e)), "Impossible de supprimer le relais 2|injected"},
            {5, 2, {"DROP TABLE \"4\""}, WRITE(deleteRepeater(2, e)), "Impossible de supprimer le relais 2|no such table"},
            {5, 2, {"CREATE VIEW v AS SELECT * FROM \"5\" JOIN nothing_here"}, WRITE(deleteRepeater(2, e)), "nothing_here"},
            {3, 1, {}, WRITE(deleteRepeater(4, e)), "Le relais 4 n'existe pas."},
            {1, 30, {}, WRITE(insertCommand(1, 5, command("X"), e)), "Le nombre de commande par relais est limité à 30"},
            {1, 4, {trigger.arg("1", "OLD.\"N°\" = 3")}, WRITE(insertCommand(1, 2, command("X"), e)),
             "Impossible d'ajouter la commande au relais 1|injected"},
            // A text stored before the size rule cannot be copied down.
            {1, 4, {"PRAGMA ignore_check_constraints = ON", "UPDATE \"1\" SET \"wav2\" = '1234567890123456789012345' WHERE \"N°\" = 3",
                    "PRAGMA ignore_check_constraints = OFF"}, WRITE(insertCommand(1, 2, command("X"), e)), "CHECK"},
            {1, 4, {}, WRITE(insertCommand(1, 2, command("Long", QString(25, '1')), e)), "CHECK"},
            {1, 4, {}, WRITE(insertCommand(1, 2, command(""), e)), "CHECK"},
            {1, 5, {trigger.arg("1", "NEW.\"N°\" = 3")}, WRITE(deleteCommand(1, 2, e)), "Impossible de supprimer la commande 2|injected"},
            {1, 2, {}, WRITE(deleteCommand(1, 3, e)), "La commande 3 n'existe pas."},
            {3, 3, {}, WRITE(updateRepeater(4, "X", "1", "1", "", e)), "Le relais 4 n'existe pas."},
            {3, 3, {}, WRITE(updateCommand(3, 4, command("X"), e)), "La commande 4 n'existe pas."},
            {3, 3, {}, WRITE(updateCommand(3, 1, command(""), e)), "CHECK"},
            {3, 3, {}, WRITE(writeCommandField(3, 1, 0, "5", e)), ""},  // N° is not written
        };
#undef WRITE
        for (const auto &c : cases) {
            TempWorkspace ws;
            network(ws, c.repeaters, c.commands);
            for (const QString &sql : c.setup)
                ws.exec(sql);
            const QStringList before = snapshot(ws);
            QString error;
            QVERIFY2(!c.write(ws.store(), &error), qPrintable(c.reason));
            for (const QString &part : c.reason.split('|'))
                QVERIFY2(!error.isEmpty() && error.contains(part), qPrintable(error + " / " + c.reason));
            QCOMPARE(snapshot(ws), before);
            QVERIFY(!QFile::exists(ws.file("relai.db-journal")));
        }
    }

    // A write that waits in vain for another program's lock gives up whole.
    void lockedWriteGivesUpWhole()
    {
        TempWorkspace ws;
        network(ws, 3, 3);
        Store other;
        QCOMPARE(other.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QSqlQuery lock(other.database());
        QVERIFY(lock.exec("BEGIN IMMEDIATE"));
        const QStringList before = snapshot(ws);
        QString error;
        QVERIFY(!ws.store().deleteRepeater(1, &error) && error.contains("locked"));
        QVERIFY(lock.exec("ROLLBACK"));
        QCOMPARE(snapshot(ws), before);
        QVERIFY2(ws.store().deleteRepeater(1, &error), qPrintable(error));
    }

    // A separate process rotates a full network (delete repeater 1 with its 29
    // renames, append it again, move a command) and is killed at a random
    // moment; the file must open whole each time.
    void killedWriterLeavesAWholeState()
    {
        const QString child = PONTAVEL_EDITCRASH_CHILD;
        TempWorkspace ws;
        network(ws, 30, 30);
        const QString db = ws.file("relai.db");
        ws.closeStore();
        // Rounds go on until some kills fell inside the renumbering itself.
        int inRenumbering = 0, round = 0;
        for (; round < 20 && (round < 5 || inRenumbering < 2); ++round) {
            QProcess p;
            p.start(child, {db, "1000000"});
            QByteArray out;
            while (!out.contains("started\n") && p.waitForReadyRead(5000))
                out += p.readAllStandardOutput();
            QVERIFY2(out.contains("started\n"), out + p.readAllStandardError());
            QThread::msleep(30 + QRandomGenerator::global()->bounded(40 * (round % 6 + 1)));
            QVERIFY2(p.state() == QProcess::Running, p.readAllStandardOutput() + p.readAllStandardError());
            p.kill();  // SIGKILL
            QVERIFY(p.waitForFinished(5000));
            out += p.readAllStandardOutput();
            QVERIFY2(!out.contains("done") && !out.contains("error"), out + p.readAllStandardError());
            // A journal left behind: the kill fell inside a transaction.
            inRenumbering += QFile::exists(db + "-journal") && out.trimmed().split('\n').last() == "delete";
            const QString why = checkWhole(db);
            QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("after kill %1: %2").arg(round + 1).arg(why)));
        }
        QVERIFY2(inRenumbering >= 2, qPrintable(QStringLiteral("%1 of %2 kills inside the renumbering").arg(inRenumbering).arg(round)));
        // Undisturbed, the same writer completes its rounds and the network turns.
        const QString first = ws.store().repeaterRows().value(0).value(1).toString();
        ws.closeStore();
        QProcess p;
        p.start(child, {db, "3"});
        QVERIFY(p.waitForFinished(20000));
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && out.endsWith("done\n"), out + p.readAllStandardError());
        QVERIFY2(checkWhole(db).isEmpty(), qPrintable(checkWhole(db)));
        QVERIFY(ws.store().repeaterRows().value(0).value(1).toString() != first);
    }
};

PONTAVEL_TEST(tst_EditStore)
#include "tst_editstore.moc"
