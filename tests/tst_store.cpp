// The data store on real SQLite files: schema, defaults, reading rules, lookups
// and the protection of files that are not usable databases.

#include "testsupport.h"

#include "core/convert.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlRecord>

#include <climits>

namespace {

QStringList columns(Store &store, const QString &table)
{
    QStringList names;
    QSqlQuery q(store.database());
    q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(Store::quoted(table)));
    while (q.next())
        names << q.value(1).toString();
    return names;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_Store : public QObject
{
    Q_OBJECT
private slots:
    void newFileGetsSchemaAndUsableDefaults()
    {
        TempWorkspace ws;
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Created);
        QCOMPARE(columns(store, "Relais"), Store::relaisFields());
        QCOMPARE(columns(store, "Param"), Store::paramFields());

        bool present = false;
        const Settings s = store.settings(&present);
        QVERIFY(present);
        QCOMPARE(s.coefZoom, 10.0);
        QCOMPARE(s.dureeAffichage(), 5);
        QCOMPARE(s.comNumber, 1);
        QCOMPARE(s.portSettings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(s.carteX, 0);
        QCOMPARE(s.carteY, 0);
        // Colours that differ from one another and from a white map.
        const QSet<quint32> colours{s.couleurActif, s.couleurRepos, s.couleurLigne, s.couleurFaisceau};
        QCOMPARE(colours.size(), 4);
        QVERIFY(!colours.contains(0xFFFFFF));
        store.close();

        Store again;
        QCOMPARE(again.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QVERIFY(again.repeaters().isEmpty());
    }

    void commandTableFieldsAndRules()
    {
        TempWorkspace ws;
        QVERIFY(ws.store().CreeTable("7"));
        QVERIFY(ws.store().tableExists("7"));
        QCOMPARE(columns(ws.store(), "7"), Store::commandFields());
        QSqlQuery q(ws.store().database());
        QVERIFY2(!q.exec("INSERT INTO \"7\" VALUES (1,'','rx','','','','','','','')"), "empty Tx accepted");
        QVERIFY(!q.exec("INSERT INTO \"7\" VALUES (1,'tx','rx','1234567890123456789012345','','','','','','')"));
        QVERIFY(q.exec("INSERT INTO \"7\" VALUES (1,'tx','rx','123456789012345678901234','','','','','','')"));
        QString error;
        QVERIFY(!ws.store().CreeTable("7", &error));
        QVERIFY(!error.isEmpty());
    }

    void repeatersInStoredOrderAndBadRowsKept()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "10.450", 100, 200, 300, 400, "12");
        ws.addRepeater("Bravo", "2", "2.410", 500, 600, 700, 800);
        ws.addRepeater("Charlie", "3", "1.255", 900, 1000, 1100, 1200);
        // A row with empty and unreadable positions must not hide the rows after it.
        ws.exec("UPDATE \"Relais\" SET \"PosGauche\" = NULL, \"PosHaut\" = 'abc' WHERE \"Nom\" = 'Bravo'");
        const QVector<Repeater> list = ws.store().repeaters();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list[0].numero, 1);
        QCOMPARE(list[0].nom, QStringLiteral("Alpha"));
        QCOMPARE(list[0].chemin, QStringLiteral("12"));
        QCOMPARE(list[0].libellePosHaut, 400.0);
        QCOMPARE(list[1].posGauche, 0.0);
        QCOMPARE(list[1].posHaut, 0.0);
        QCOMPARE(list[1].libellePosGau, 700.0);
        QCOMPARE(list[2].numero, 3);
        QCOMPARE(list[2].freq, QStringLiteral("1.255"));
    }

    void settingsRoundingAndDegenerateZoom()
    {
        TempWorkspace ws;
        ws.setParam("N°Com", 2.5);
        ws.setParam("tempo", 4.5);
        ws.setParam("CarteX", 3.5);
        ws.setParam("CarteY", -2.5);
        ws.setParam("CoefZoom", 0);
        Settings s = ws.store().settings();
        QCOMPARE(s.comNumber, 2);        // halves go to the even neighbour
        QCOMPARE(s.dureeAffichage(), 4);
        QCOMPARE(s.carteX, 4);
        QCOMPARE(s.carteY, -2);
        QCOMPARE(s.coefZoom, 10.0);      // a map of no size is never shown
        ws.setParam("CoefZoom", -3);
        QCOMPARE(ws.store().settings().coefZoom, 10.0);
        ws.setParam("CoefZoom", 15);
        QCOMPARE(ws.store().settings().coefZoom, 15.0);
        ws.setParam("CoefZoom", QVariant());
        ws.setParam("settings", QVariant());
        s = ws.store().settings();
        QCOMPARE(s.coefZoom, 10.0);
        QCOMPARE(s.portSettings, QStringLiteral("9600,N,8,1"));
    }

    void writeSettingsTouchesOnlyTheFirstRow()
    {
        TempWorkspace ws;
        ws.exec("INSERT INTO \"Param\" (\"CoefZoom\", \"tempo\") VALUES (33, 9)");
        QVERIFY(ws.store().writeSettings({{"CoefZoom", 25.5}, {"CarteX", -120}, {"CarteY", 480}}));
        ws.closeStore();
        Store fresh;
        QCOMPARE(fresh.open(ws.file("relai.db")), Store::OpenResult::Opened);
        const Settings s = fresh.settings();
        QCOMPARE(s.coefZoom, 25.5);
        QCOMPARE(s.carteX, -120);
        QCOMPARE(s.carteY, 480);
        QSqlQuery q(fresh.database());
        QVERIFY(q.exec("SELECT \"CoefZoom\", \"tempo\" FROM \"Param\" ORDER BY rowid"));
        QVERIFY(q.next() && q.next());
        QCOMPARE(q.value(0).toDouble(), 33.0);
        QCOMPARE(q.value(1).toDouble(), 9.0);

        // An unknown field fails the whole write: nothing of it is stored.
        QString error;
        QVERIFY(!fresh.writeSettings({{"CoefZoom", 12}, {"PasUnChamp", 1}}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fresh.settings().coefZoom, 25.5);
    }

    void writeSettingsWithoutRowStartsFromDefaults()
    {
        TempWorkspace ws;
        ws.exec("DELETE FROM \"Param\"");
        bool present = true;
        ws.store().settings(&present);
        QVERIFY(!present);
        QVERIFY(ws.store().writeSettings({{"tempo", 12}}));
        const Settings s = ws.store().settings(&present);
        QVERIFY(present);
        QCOMPARE(s.dureeAffichage(), 12);
        QCOMPARE(s.coefZoom, 10.0);
    }

    void commandsReadByPosition()
    {
        TempWorkspace ws;
        const int n = ws.addRepeater("Alpha", "1", "10.450");
        ws.addCommand(n, "Marche", "Vidéo", {"12", "", "3#"}, "12-3", "123");
        ws.addCommand(n, "Arrêt", "Fin", {"1*"});
        const QVector<Command> cmds = ws.store().commands(n);
        QCOMPARE(cmds.size(), 2);
        QCOMPARE(cmds[0].numero, 1);
        QCOMPARE(cmds[0].tx, QStringLiteral("Marche"));
        QCOMPARE(cmds[0].wav[0], QStringLiteral("12"));
        QCOMPARE(cmds[0].wav[2], QStringLiteral("3#"));
        QCOMPARE(cmds[0].chemin, QStringLiteral("12-3"));
        QCOMPARE(cmds[0].relais, QStringLiteral("123"));
        QCOMPARE(cmds[1].wav[0], QStringLiteral("1*"));
        QVERIFY(sequenceAbsent(cmds[1].wav[1]));

        QString error;
        QVERIFY(ws.store().commands(9, &error).isEmpty());
        QVERIFY(error.contains("9"));
    }

    void lookupTakesTheLastMatch()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "f");
        ws.addRepeater("Bravo", "2", "f");
        ws.addRepeater("Charlie", "1", "f");
        const QVector<Repeater> list = ws.store().repeaters();
        QCOMPARE(Store::lookupKey(list, '1', 0), 3);
        QCOMPARE(Store::lookupKey(list, '2', 0), 2);
        QCOMPARE(Store::lookupKey(list, '9', 7), 7);
        QCOMPARE(Store::lookupKey({}, '1', 1), 1);
    }

    void corruptFileIsReportedAndLeftAlone()
    {
        TempWorkspace ws;
        QByteArray junk("SQLite format 3");
        junk.append('\0');
        junk.append(QByteArray(4096, '\x5a'));
        {
            QFile f(ws.file("relai.db"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(junk);
        }
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Failed);
        QVERIFY(!store.isOpen());
        QVERIFY2(store.lastError().contains("endommagée"), qPrintable(store.lastError()));
        // The engine's English text only as a detail, after the program's own words.
        QVERIFY2(store.lastError().contains(QRegularExpression(" : [^(]*pas une base de données "
                                                               "\\(message du système : .+\\)")),
                 qPrintable(store.lastError()));
        QVERIFY(store.repeaters().isEmpty());
        QVERIFY(!store.writeSettings({{"CoefZoom", 20}}));
        QCOMPARE(readAll(ws.file("relai.db")), junk);
    }

    void halvesRoundToEvenAndHugeValuesSaturate()
    {
        QCOMPARE(roundHalfEven(0.5), 0.0);
        QCOMPARE(roundHalfEven(1.5), 2.0);
        QCOMPARE(roundHalfEven(2.5), 2.0);
        QCOMPARE(roundHalfEven(-1.5), -2.0);
        QCOMPARE(roundHalfEven(2.4999), 2.0);
        QCOMPARE(toInt16(100000.0), 32767);
        QCOMPARE(roundHalfEven(qQNaN()), 0);
        QCOMPARE(roundToInt(1e20), INT_MAX);
    }

    void hugeStoredNumbersAreClampedBeforeUse()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "10.450", 1e20, -1e300, 12.5, 0);
        for (const char *f : {"couleur", "CarteX", "tempo", "CoefZoom"})
            ws.setParam(f, 1e300);
        const Repeater r = ws.store().repeaters().value(0);
        QCOMPARE(r.posGauche, 1e6);
        QCOMPARE(r.posHaut, -1e6);
        QCOMPARE(r.libellePosGau, 12.5);
        const Settings s = ws.store().settings();
        QCOMPARE(s.couleurActif, Settings().couleurActif);  // not a colour: the default stays
        QCOMPARE(s.carteX, 32767);
        QCOMPARE(s.dureeAffichage(), 32767);
        QCOMPARE(s.coefZoom, 1000.0);
    }

    void rowsAgainstTheirRulesCostOnlyThemselves()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "10.450");
        ws.addCommand(1, "Ligne 1", "Ligne 2", {"12"});
        ws.exec("PRAGMA ignore_check_constraints = 1");
        ws.addCommand(1, "", "Ligne 2", {QString(30, '1')});
        ws.addCommand(1, "Ligne 3", "Ligne 4", {"3"});
        ws.closeStore();
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QCOMPARE(store.warnings().size(), 1);
        QVERIFY2(store.warnings()[0].contains("« 1 »"), qPrintable(store.warnings()[0]));
        QStringList skipped;
        const QVector<Command> list = store.commands(1, nullptr, &skipped);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].tx, QString("Ligne 3"));
        QCOMPARE(skipped.size(), 1);
        QVERIFY2(skipped[0].startsWith("La commande 2 du relais 1 est ignorée") && skipped[0].contains("CHECK"),
                 qPrintable(skipped[0]));
    }

    void databaseLockedByAnotherProgramIsNotCalledDamaged()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "10.450");
        ws.closeStore();
        QProcess holder;
        holder.start("sqlite3", {ws.file("relai.db")});
        QVERIFY(holder.waitForStarted());
        holder.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
        QVERIFY(holder.waitForReadyRead(5000));
        QElapsedTimer t;
        t.start();
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Failed);
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(store.lastError().contains("utilisée par un autre programme"), qPrintable(store.lastError()));
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
