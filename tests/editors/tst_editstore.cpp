// The editors' writes on a real SQLite file: numbering of repeaters and
// commands, the command tables that follow their repeater, the limits, and
// that a write failing half-way leaves the whole file as it was, also when the
// process is killed in the middle of one.

#include "testmain.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>

namespace {

// Whole contents and bytes of the file, to prove that nothing was written.
struct Snapshot
{
    QStringList dump;
    QByteArray hash;
    bool operator==(const Snapshot &o) const { return dump == o.dump && hash == o.hash; }
};

Snapshot snapshot(TempWorkspace &ws)
{
    QFile f(ws.file("relai.db"));
    f.open(QIODevice::ReadOnly);
    return {dumpDatabase(ws.store().database()), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)};
}

QString nom(int k)
{
    return QStringLiteral("Relais %1").arg(k);
}

// Repeaters 1..n; repeater k has `commands` commands whose Tx names it.
void network(TempWorkspace &ws, int repeaters, int commands)
{
    for (int k = 1; k <= repeaters; ++k) {
        QCOMPARE(ws.addRepeater(nom(k), QString::number(k % 10), QStringLiteral("10.%1").arg(400 + k)), k);
        for (int j = 1; j <= commands; ++j)
            ws.addCommand(k, QStringLiteral("%1/%2").arg(nom(k)).arg(j), QStringLiteral("rx %1").arg(j),
                          {QString::number(j), QStringLiteral("%1#").arg(k)});
    }
}

QVariantList column(const QVector<QVariantList> &rows, int field)
{
    QVariantList out;
    for (const QVariantList &r : rows)
        out << r.value(field);
    return out;
}

QVariantList numbers(int from, int to)
{
    QVariantList out;
    for (int i = from; i <= to; ++i)
        out << i;
    return out;
}

QStringList names(std::initializer_list<int> ks)
{
    QStringList out;
    for (int k : ks)
        out << QString::number(k);
    return out;
}

QStringList fieldNames(const QSqlDatabase &db, const QString &table)
{
    QStringList out;
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(Store::quoted(table)));
    while (q.next())
        out << q.value(1).toString();
    return out;
}

Command command(const QString &tx)
{
    Command c;
    c.tx = tx;
    c.rx = tx + QStringLiteral(" rx");
    c.wav[0] = QStringLiteral("12");
    c.wav[4] = QStringLiteral("D#");
    c.chemin = QStringLiteral("12-23");
    c.relais = QStringLiteral("123");
    return c;
}

QVariantList txOf(Store &store, int repeater)
{
    return column(store.commandRows(repeater), 1);
}

QStringList commandTx(int repeater, std::initializer_list<int> js)
{
    QStringList out;
    for (int j : js)
        out << QStringLiteral("%1/%2").arg(nom(repeater)).arg(j);
    return out;
}

QVariantList variants(const QStringList &l)
{
    QVariantList out;
    for (const QString &s : l)
        out << s;
    return out;
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
        return QStringLiteral("open: ") + store.lastError();
    QSqlQuery q(store.database());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next() || q.value(0).toString() != "ok")
        return QStringLiteral("integrity_check: ") + q.value(0).toString() + q.lastError().text();
    const QVector<QVariantList> rows = store.repeaterRows();
    const int n = int(rows.size());
    if (n != 29 && n != 30)
        return QStringLiteral("%1 repeaters").arg(n);
    QStringList expected;
    QSet<QString> noms;
    for (int k = 1; k <= n; ++k) {
        expected << QString::number(k);
        if (rows[k - 1].value(0).toInt() != k)
            return QStringLiteral("row %1 has N° %2").arg(k).arg(rows[k - 1].value(0).toString());
        noms.insert(rows[k - 1].value(1).toString());
    }
    if (noms.size() != n)
        return QStringLiteral("a repeater name appears twice");
    if (commandTables(store.database()) != expected)
        return QStringLiteral("tables %1").arg(commandTables(store.database()).join(','));
    int short_ = 0;
    for (int k = 1; k <= n; ++k) {
        const QString owner = rows[k - 1].value(1).toString() + '/';
        const QVector<QVariantList> cmds = store.commandRows(k);
        if (cmds.size() == 29)
            ++short_;
        else if (cmds.size() != 30)
            return QStringLiteral("table %1 has %2 commands").arg(k).arg(cmds.size());
        QSet<QString> seen;
        for (int j = 1; j <= cmds.size(); ++j) {
            const QString tx = cmds[j - 1].value(1).toString();
            if (cmds[j - 1].value(0).toInt() != j)
                return QStringLiteral("table %1 row %2 has N° %3").arg(k).arg(j).arg(cmds[j - 1].value(0).toInt());
            if (!tx.startsWith(owner))
                return QStringLiteral("table %1 holds \"%2\", not a command of \"%3\"").arg(k).arg(tx, owner);
            seen.insert(tx);
        }
        if (seen.size() != cmds.size())
            return QStringLiteral("table %1 holds a command twice").arg(k);
    }
    if (short_ > (n == 30 ? 1 : 0))
        return QStringLiteral("%1 tables short of a command with %2 repeaters").arg(short_).arg(n);
    return {};
}

} // namespace

class tst_EditStore : public QObject
{
    Q_OBJECT
private slots:
    void addRepeaterNumbersAndCreatesItsTable()
    {
        TempWorkspace ws;
        Store &store = ws.store();
        QString error;
        QCOMPARE(store.addRepeater("Mont Alpha", "4", "10.450", "", &error), 1);
        QVERIFY(error.isEmpty());
        QCOMPARE(store.repeaterRows(),
                 (QVector<QVariantList>{{1, "Mont Alpha", "4", "10.450", 0, 0, 0, 0, ""}}));
        QCOMPARE(commandTables(store.database()), names({1}));
        QCOMPARE(fieldNames(store.database(), "1"),
                 QStringList({"N°", "Tx", "Rx", "wav", "wav1", "wav2", "wav3", "wav4", "chemin", "relais"}));
        QVERIFY(store.commandRows(1).isEmpty());
        // An empty beam is stored as an empty text, not as no value.
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT \"Chemin\" IS NULL FROM \"Relais\"") && q.next());
        QCOMPARE(q.value(0).toInt(), 0);

        QCOMPARE(store.addRepeater("Bec", "5", "10.460", "45"), 2);
        QCOMPARE(commandTables(store.database()), names({1, 2}));
        QCOMPARE(column(store.repeaterRows(), 0), numbers(1, 2));
    }

    void repeaterLimitOfThirty()
    {
        TempWorkspace ws;
        network(ws, 29, 0);
        Store &store = ws.store();
        QCOMPARE(store.addRepeater("Trentième", "A", "10.430", ""), 30);
        QVERIFY(store.tableExists("30"));
        QCOMPARE(column(store.repeaterRows(), 0), numbers(1, 30));

        const Snapshot before = snapshot(ws);
        QString error;
        QCOMPARE(store.addRepeater("De trop", "B", "10.431", "", &error), 0);
        QCOMPARE(error, QStringLiteral("Le nombre de relais est limité à 30"));
        QVERIFY(snapshot(ws) == before);
    }

    void deleteRepeaterRenumbersRowsAndTables()
    {
        TempWorkspace ws;
        network(ws, 4, 3);
        Store &store = ws.store();
        const auto old1 = tableRows(store.database(), "1");
        const auto old3 = tableRows(store.database(), "3");
        const auto old4 = tableRows(store.database(), "4");
        QString sql3;
        {
            QSqlQuery q(store.database());
            q.exec("SELECT sql FROM sqlite_master WHERE name = '3'");
            q.next();
            sql3 = q.value(0).toString();
        }

        QString error;
        QVERIFY2(store.deleteRepeater(2, &error), qPrintable(error));
        const auto rows = store.repeaterRows();
        QCOMPARE(column(rows, 0), numbers(1, 3));
        QCOMPARE(column(rows, 1), variants({nom(1), nom(3), nom(4)}));
        QCOMPARE(commandTables(store.database()), names({1, 2, 3}));
        QCOMPARE(tableRows(store.database(), "1"), old1);
        QCOMPARE(tableRows(store.database(), "2"), old3);
        QCOMPARE(tableRows(store.database(), "3"), old4);
        // The moved table keeps its definition, checks included.
        {
            QSqlQuery q(store.database());
            QVERIFY(q.exec("SELECT sql FROM sqlite_master WHERE name = '2'") && q.next());
            QCOMPARE(q.value(0).toString(), QString(sql3).replace("\"3\"", "\"2\""));
        }

        // The last one: only its table goes.
        QVERIFY2(store.deleteRepeater(3, &error), qPrintable(error));
        QCOMPARE(column(store.repeaterRows(), 1), variants({nom(1), nom(3)}));
        QCOMPARE(commandTables(store.database()), names({1, 2}));
        QCOMPARE(tableRows(store.database(), "1"), old1);
        QCOMPARE(tableRows(store.database(), "2"), old3);

        const Snapshot before = snapshot(ws);
        for (int bad : {0, 3, -1}) {
            error.clear();
            QVERIFY(!store.deleteRepeater(bad, &error));
            QCOMPARE(error, QStringLiteral("Le relais %1 n'existe pas.").arg(bad));
        }
        QVERIFY(snapshot(ws) == before);

        QVERIFY(store.deleteRepeater(1, &error));
        QVERIFY(store.deleteRepeater(1, &error));
        QVERIFY(store.repeaterRows().isEmpty());
        QVERIFY(commandTables(store.database()).isEmpty());
        QCOMPARE(store.addRepeater("Neuf", "1", "10.400", ""), 1);
    }

    void insertCommandShiftsContentsNotNumbers()
    {
        TempWorkspace ws;
        network(ws, 1, 4);
        Store &store = ws.store();
        QString error;
        QCOMPARE(store.insertCommand(1, 2, command("X"), &error), 2);
        auto rows = store.commandRows(1);
        QCOMPARE(column(rows, 0), numbers(1, 5));
        QStringList tx = commandTx(1, {1, 2, 3, 4});
        tx.insert(1, "X");
        QCOMPARE(column(rows, 1), variants(tx));
        QCOMPARE(rows[1], (QVariantList{2, "X", "X rx", "12", "", "", "", "D#", "12-23", "123"}));
        // The moved rows carry every field with them.
        QCOMPARE(rows[2].mid(1), (QVariantList{nom(1) + "/2", "rx 2", "2", "1#", "", "", "", "", ""}));

        // In front of the last row means at the end.
        QCOMPARE(store.insertCommand(1, 5, command("Y")), 6);
        tx << "Y";
        QCOMPARE(txOf(store, 1), variants(tx));
        // No selection: at the end.
        QCOMPARE(store.insertCommand(1, 0, command("Z")), 7);
        tx << "Z";
        QCOMPARE(txOf(store, 1), variants(tx));
        // In front of the first.
        QCOMPARE(store.insertCommand(1, 1, command("W")), 1);
        tx.prepend("W");
        QCOMPARE(txOf(store, 1), variants(tx));
        QCOMPARE(column(store.commandRows(1), 0), numbers(1, 8));

        // An empty table, selection or not.
        QCOMPARE(store.addRepeater("Vide", "2", "10.500", ""), 2);
        QCOMPARE(store.insertCommand(2, 1, command("Premier")), 1);
        QCOMPARE(store.commandRows(2).value(0).value(0), QVariant(1));
        // A single command selected is the last one: the new one goes after it.
        QCOMPARE(store.insertCommand(2, 1, command("Second")), 2);
        QCOMPARE(txOf(store, 2), variants({"Premier", "Second"}));
    }

    void commandLimitAndFieldRules()
    {
        TempWorkspace ws;
        network(ws, 1, 29);
        Store &store = ws.store();
        QCOMPARE(store.insertCommand(1, 3, command("Trentième")), 3);
        QCOMPARE(column(store.commandRows(1), 0), numbers(1, 30));

        Snapshot before = snapshot(ws);
        QString error;
        QCOMPARE(store.insertCommand(1, 0, command("De trop"), &error), 0);
        QCOMPARE(error, QStringLiteral("Le nombre de commande par relais est limité à 30"));
        QCOMPARE(store.insertCommand(1, 5, command("De trop"), &error), 0);
        QVERIFY(snapshot(ws) == before);

        // A text the table refuses is reported and writes nothing.
        QVERIFY(store.deleteCommand(1, 30));
        before = snapshot(ws);
        Command longWav = command("Long");
        longWav.wav[2] = QString(25, '1');
        error.clear();
        QCOMPARE(store.insertCommand(1, 2, longWav, &error), 0);
        QVERIFY(error.contains("CHECK"));
        Command emptyTx = command("");
        QCOMPARE(store.insertCommand(1, 2, emptyTx, &error), 0);
        QVERIFY(snapshot(ws) == before);
    }

    void deleteCommandRenumbers()
    {
        TempWorkspace ws;
        network(ws, 2, 4);
        Store &store = ws.store();
        const auto other = tableRows(store.database(), "1");
        QString error;
        QVERIFY2(store.deleteCommand(2, 2, &error), qPrintable(error));
        auto rows = store.commandRows(2);
        QCOMPARE(column(rows, 0), numbers(1, 3));
        QCOMPARE(column(rows, 1), variants(commandTx(2, {1, 3, 4})));
        QCOMPARE(tableRows(store.database(), "1"), other);

        QVERIFY(store.deleteCommand(2, 3));
        QCOMPARE(column(store.commandRows(2), 1), variants(commandTx(2, {1, 3})));

        const Snapshot before = snapshot(ws);
        QVERIFY(!store.deleteCommand(2, 3, &error));
        QCOMPARE(error, QStringLiteral("La commande 3 n'existe pas."));
        QVERIFY(!store.deleteCommand(2, 0, &error));
        QVERIFY(!store.deleteCommand(7, 1, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(snapshot(ws) == before);
    }

    void updatesWriteTheRightRowOnly()
    {
        TempWorkspace ws;
        network(ws, 3, 3);
        Store &store = ws.store();
        QVERIFY(store.updateRepeater(2, "Deux", "7", "10.777", "71"));
        auto rows = store.repeaterRows();
        QCOMPARE(rows[1], (QVariantList{2, "Deux", "7", "10.777", 0, 0, 0, 0, "71"}));
        QCOMPARE(rows[0].value(1), QVariant(nom(1)));
        QCOMPARE(rows[2].value(1), QVariant(nom(3)));

        QVERIFY(store.updateCommand(3, 2, command("Autre")));
        QCOMPARE(store.commandRows(3)[1], (QVariantList{2, "Autre", "Autre rx", "12", "", "", "", "D#", "12-23", "123"}));
        QVERIFY(store.writeCommandField(3, 3, 6, "99"));
        QCOMPARE(store.commandRows(3)[2].value(6), QVariant("99"));
        QCOMPARE(txOf(store, 3), variants({nom(3) + "/1", "Autre", nom(3) + "/3"}));

        // Numbers that do not exist, or a field that may not be written.
        const Snapshot before = snapshot(ws);
        QString error;
        QVERIFY(!store.updateRepeater(4, "X", "1", "1", "", &error));
        QCOMPARE(error, QStringLiteral("Le relais 4 n'existe pas."));
        QVERIFY(!store.updateRepeater(0, "X", "1", "1", "", &error));
        QVERIFY(!store.updateCommand(3, 4, command("X"), &error));
        QCOMPARE(error, QStringLiteral("La commande 4 n'existe pas."));
        QVERIFY(!store.updateCommand(9, 1, command("X"), &error));
        QVERIFY(!store.writeCommandField(3, 4, 1, "X", &error));
        QVERIFY(!store.writeCommandField(3, 1, 0, "5", &error));
        QVERIFY(!store.writeCommandField(3, 1, 10, "5", &error));
        QVERIFY(!store.updateCommand(3, 1, command(""), &error));
        QVERIFY(snapshot(ws) == before);
    }

    // Each change below fails at a later step than its first write; the file
    // must come out exactly as it went in, and the engine's reason be told.
    void addRepeaterFailingOnItsTableWritesNothing()
    {
        TempWorkspace ws;
        network(ws, 2, 1);
        // A stray table already holds the next number.
        QVERIFY(ws.store().CreeTable("3"));
        ws.addCommand(3, "orphelin 1", "rx", {});
        ws.addCommand(3, "orphelin 2", "rx", {});
        const Snapshot before = snapshot(ws);
        QString error;
        QCOMPARE(ws.store().addRepeater("Trois", "3", "10.403", "", &error), 0);
        QVERIFY2(error.startsWith("Impossible d'ajouter le relais 3") && error.contains("already exists"),
                 qPrintable(error));
        QVERIFY(snapshot(ws) == before);
        QCOMPARE(txOf(ws.store(), 3), variants({"orphelin 1", "orphelin 2"}));
        QVERIFY(!QFile::exists(ws.file("relai.db-journal")));
    }

    void deleteRepeaterFailingWhileRenumberingWritesNothing_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        QTest::newRow("row 4 refuses its new number")
            << "CREATE TRIGGER injected BEFORE UPDATE ON \"Relais\" WHEN NEW.\"N°\" = 3 "
               "BEGIN SELECT RAISE(ABORT, 'injected'); END"
            << "injected";
        QTest::newRow("table 4 is missing") << "DROP TABLE \"4\"" << "no such table";
        QTest::newRow("a broken view blocks renaming")
            << "CREATE VIEW v AS SELECT * FROM \"5\" JOIN nothing_here" << "nothing_here";
    }
    void deleteRepeaterFailingWhileRenumberingWritesNothing()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        TempWorkspace ws;
        network(ws, 5, 2);
        ws.exec(setup);
        const Snapshot before = snapshot(ws);
        QString error;
        QVERIFY(!ws.store().deleteRepeater(2, &error));
        QVERIFY2(error.startsWith("Impossible de supprimer le relais 2") && error.contains(reason), qPrintable(error));
        QVERIFY(snapshot(ws) == before);
        QVERIFY(ws.store().tableExists("2"));
        QCOMPARE(txOf(ws.store(), 2), variants(commandTx(2, {1, 2})));
    }

    void insertCommandFailingWhileShiftingWritesNothing_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        QTest::newRow("third move refused")
            << "CREATE TRIGGER injected BEFORE UPDATE ON \"1\" WHEN OLD.\"N°\" = 3 "
               "BEGIN SELECT RAISE(ABORT, 'injected'); END"
            << "injected";
        // A text stored before the size rule cannot be copied down.
        QTest::newRow("row 3 too long to move") << "UPDATE \"1\" SET \"wav2\" = '1234567890123456789012345' "
                                                   "WHERE \"N°\" = 3"
                                                << "CHECK";
    }
    void insertCommandFailingWhileShiftingWritesNothing()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        TempWorkspace ws;
        network(ws, 1, 4);
        ws.exec("PRAGMA ignore_check_constraints = ON");
        ws.exec(setup);
        ws.exec("PRAGMA ignore_check_constraints = OFF");
        const Snapshot before = snapshot(ws);
        QString error;
        QCOMPARE(ws.store().insertCommand(1, 2, command("X"), &error), 0);
        QVERIFY2(error.startsWith("Impossible d'ajouter la commande au relais 1") && error.contains(reason),
                 qPrintable(error));
        QVERIFY(snapshot(ws) == before);
        QCOMPARE(txOf(ws.store(), 1), variants(commandTx(1, {1, 2, 3, 4})));
    }

    void deleteCommandFailingWhileRenumberingWritesNothing()
    {
        TempWorkspace ws;
        network(ws, 1, 5);
        ws.exec("CREATE TRIGGER injected BEFORE UPDATE ON \"1\" WHEN NEW.\"N°\" = 3 "
                "BEGIN SELECT RAISE(ABORT, 'injected'); END");
        const Snapshot before = snapshot(ws);
        QString error;
        QVERIFY(!ws.store().deleteCommand(1, 2, &error));
        QVERIFY2(error.startsWith("Impossible de supprimer la commande 2") && error.contains("injected"),
                 qPrintable(error));
        QVERIFY(snapshot(ws) == before);
        QCOMPARE(column(ws.store().commandRows(1), 0), numbers(1, 5));
    }

    // A write that cannot even start says why, and one that waits in vain for
    // another program's lock gives up whole.
    void writesThatCannotStartTellWhy()
    {
        TempWorkspace ws;
        network(ws, 3, 3);
        Store &store = ws.store();
        ws.exec("BEGIN");
        ws.exec("INSERT INTO \"Param\" (\"N°Com\") VALUES (9)");
        QString error;
        QCOMPARE(store.addRepeater("X", "1", "1", "", &error), 0);
        QVERIFY2(error.contains("transaction"), qPrintable(error));
        QVERIFY(!store.deleteRepeater(2, &error));
        QVERIFY2(error.contains("transaction"), qPrintable(error));
        QCOMPARE(store.insertCommand(1, 1, command("X"), &error), 0);
        QVERIFY2(error.contains("transaction"), qPrintable(error));
        QVERIFY(!store.deleteCommand(1, 1, &error));
        QVERIFY2(error.contains("transaction"), qPrintable(error));
        // The transaction they met is not theirs to end.
        QVERIFY(store.database().rollback());
        QCOMPARE(column(store.repeaterRows(), 1), variants({nom(1), nom(2), nom(3)}));

        Store other;
        QCOMPARE(other.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QSqlQuery lock(other.database());
        QVERIFY(lock.exec("BEGIN IMMEDIATE"));
        const Snapshot before = snapshot(ws);
        QVERIFY(!store.deleteRepeater(1, &error));
        QVERIFY2(error.contains("locked"), qPrintable(error));
        QVERIFY(lock.exec("ROLLBACK"));
        QVERIFY(snapshot(ws) == before);
        QVERIFY2(store.deleteRepeater(1, &error), qPrintable(error));
        QCOMPARE(column(store.repeaterRows(), 1), variants({nom(2), nom(3)}));
    }

    // A separate process rotates a full network (delete repeater 1 with its 29
    // renames, append it again, move a command) and is killed at a random
    // moment; the file must open whole each time.
    void killedWriterLeavesAWholeState()
    {
        const QString child = QStringLiteral(PONTAVEL_EDITCRASH_CHILD);
        QVERIFY2(QFile::exists(child), qPrintable(child));
        TempWorkspace ws;
        network(ws, 30, 30);
        const QString db = ws.file("relai.db");
        QVERIFY(checkWhole(db).isEmpty());
        ws.closeStore();

        // Rounds go on until some kills fell inside the renumbering itself.
        int midTransaction = 0;
        int inRenumbering = 0;
        int round = 0;
        QStringList firstNames;
        for (; round < 20 && (round < 5 || inRenumbering < 2); ++round) {
            QProcess p;
            p.start(child, {db, "1000000"});
            QVERIFY(p.waitForStarted(5000));
            QByteArray out;
            while (!out.contains("started\n") && p.state() == QProcess::Running) {
                p.waitForReadyRead(5000);
                out += p.readAllStandardOutput();
            }
            QVERIFY2(out.contains("started\n"), out + p.readAllStandardError());
            QThread::msleep(30 + QRandomGenerator::global()->bounded(40 * (round % 6 + 1)));
            QVERIFY2(p.state() == QProcess::Running, p.readAllStandardOutput() + p.readAllStandardError());
            p.kill(); // SIGKILL
            QVERIFY(p.waitForFinished(5000));
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            out += p.readAllStandardOutput();
            QVERIFY2(!out.contains("done") && !out.contains("error"), out + p.readAllStandardError());
            // A journal left behind means the kill fell inside a transaction.
            if (QFile::exists(db + "-journal")) {
                ++midTransaction;
                if (out.trimmed().split('\n').last() == "delete")
                    ++inRenumbering;
            }
            const QString why = checkWhole(db);
            QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("after kill %1: %2").arg(round + 1).arg(why)));
        }
        qInfo("%d kills: %d inside a transaction, %d of them deleting a repeater", round, midTransaction,
              inRenumbering);
        QVERIFY2(inRenumbering >= 2, "too few kills fell inside the renumbering");

        // Undisturbed, the same writer completes its rounds and the network turns.
        {
            Store s;
            QCOMPARE(s.open(db), Store::OpenResult::Opened);
            firstNames = {s.repeaterRows().value(0).value(1).toString()};
        }
        QProcess p;
        p.start(child, {db, "3"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(p.exitCode() == 0 && out.contains("done"), out + p.readAllStandardError());
        const QString why = checkWhole(db);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        Store s;
        QCOMPARE(s.open(db), Store::OpenResult::Opened);
        QVERIFY(s.repeaterRows().value(0).value(1).toString() != firstNames.value(0));
    }
};

PONTAVEL_TEST(tst_EditStore)
#include "tst_editstore.moc"
