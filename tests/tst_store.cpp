// The data store on real SQLite files: defaults, reading rules, rows that
// break the rules, and files that are not usable databases.

#include "testsupport.h"

#include "core/convert.h"

#include <QProcess>

#include <climits>

class tst_Store : public QObject
{
    Q_OBJECT
private slots:
    void newFileGetsUsableDefaultsAndCommandRules()
    {
        TempWorkspace ws;
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Created);
        bool present = false;
        const Settings s = store.settings(&present);
        QVERIFY(present);
        QCOMPARE(s.coefZoom, 10.0);
        QCOMPARE(s.dureeAffichage(), 5);
        QCOMPARE(s.comNumber, 1);
        QCOMPARE(s.portSettings, QStringLiteral("9600,N,8,1"));
        // Colours that differ from one another and from a white map.
        const QSet<quint32> colours{s.couleurActif, s.couleurRepos, s.couleurLigne, s.couleurFaisceau};
        QCOMPARE(colours.size(), 4);
        QVERIFY(!colours.contains(0xFFFFFF));
        QVERIFY(store.CreeTable("7"));
        QSqlQuery q(store.database());
        QVERIFY2(!q.exec("INSERT INTO \"7\" VALUES (1,'','rx','','','','','','','')"), "empty Tx accepted");
        QVERIFY(!q.exec("INSERT INTO \"7\" VALUES (1,'tx','rx','1234567890123456789012345','','','','','','')"));
        QVERIFY(q.exec("INSERT INTO \"7\" VALUES (1,'tx','rx','123456789012345678901234','','','','','','')"));
        QString error;
        QVERIFY(!store.CreeTable("7", &error) && !error.isEmpty());
        store.close();
        Store again;
        QCOMPARE(again.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QVERIFY(again.repeaters().isEmpty());
    }

    void rowsReadInStoredOrderWithBadValuesKept()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "10.450", 100, 200, 300, 400, "12");
        ws.addRepeater("Bravo", "2", "2.410", 500, 600, 700, 800);
        ws.addRepeater("Charlie", "1", "1.255", 1e20, -1e300, 1100, 1200);
        // Unreadable positions must not hide the rows after them; huge ones are clamped.
        ws.exec("UPDATE \"Relais\" SET \"PosGauche\" = NULL, \"PosHaut\" = 'abc' WHERE \"Nom\" = 'Bravo'");
        const QVector<Repeater> list = ws.store().repeaters();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list[0].chemin, QStringLiteral("12"));
        QCOMPARE(list[0].libellePosHaut, 400.0);
        QCOMPARE(QPointF(list[1].posGauche, list[1].posHaut), QPointF(0, 0));
        QCOMPARE(list[1].libellePosGau, 700.0);
        QCOMPARE(list[2].numero, 3);
        QCOMPARE(list[2].freq, QStringLiteral("1.255"));
        QCOMPARE(QPointF(list[2].posGauche, list[2].posHaut), QPointF(1e6, -1e6));
        // A key found twice: the last row wins.
        QCOMPARE(Store::lookupKey(list, '1', 0), 3);
        QCOMPARE(Store::lookupKey(list, '2', 0), 2);
        QCOMPARE(Store::lookupKey(list, '9', 7), 7);

        ws.addCommand(1, "Marche", "Vidéo", {"12", "", "3#"}, "12-3", "123");
        ws.addCommand(1, "Arrêt", "Fin", {"1*"});
        const QVector<Command> cmds = ws.store().commands(1);
        QCOMPARE(cmds.size(), 2);
        QCOMPARE(cmds[0].numero, 1);
        QCOMPARE(QStringList({cmds[0].tx, cmds[0].rx, cmds[0].wav[0], cmds[0].wav[2], cmds[0].chemin, cmds[0].relais}),
                 QStringList({"Marche", "Vidéo", "12", "3#", "12-3", "123"}));
        QVERIFY(sequenceAbsent(cmds[1].wav[1]));
        QString error;
        QVERIFY(ws.store().commands(9, &error).isEmpty());
        QVERIFY(error.contains("9"));
    }

    void settingsRoundedAndClamped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("read");
        // Halves go to the even neighbour; a map of no size is never shown.
        QTest::newRow("N°Com 2.5") << "N°Com" << QVariant(2.5) << 2.0;
        QTest::newRow("tempo 4.5") << "tempo" << QVariant(4.5) << 4.0;
        QTest::newRow("CarteX 3.5") << "CarteX" << QVariant(3.5) << 4.0;
        QTest::newRow("CarteY -2.5") << "CarteY" << QVariant(-2.5) << -2.0;
        QTest::newRow("CoefZoom 0") << "CoefZoom" << QVariant(0) << 10.0;
        QTest::newRow("CoefZoom -3") << "CoefZoom" << QVariant(-3) << 10.0;
        QTest::newRow("CoefZoom 15") << "CoefZoom" << QVariant(15) << 15.0;
        QTest::newRow("CoefZoom NULL") << "CoefZoom" << QVariant() << 10.0;
        QTest::newRow("CoefZoom huge") << "CoefZoom" << QVariant(1e300) << 1000.0;
        QTest::newRow("CarteX huge") << "CarteX" << QVariant(1e300) << 32767.0;
        QTest::newRow("tempo huge") << "tempo" << QVariant(1e300) << 32767.0;
        // Not a colour: the default stays.
        QTest::newRow("couleur huge") << "couleur" << QVariant(1e300) << double(Settings().couleurActif);
    }
    void settingsRoundedAndClamped()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, stored);
        QFETCH(double, read);
        TempWorkspace ws;
        ws.setParam(field, stored);
        ws.setParam("settings", QVariant());
        const Settings s = ws.store().settings();
        const QMap<QString, double> got{{"N°Com", s.comNumber}, {"tempo", s.dureeAffichage()}, {"CarteX", s.carteX},
                                        {"CarteY", s.carteY},    {"CoefZoom", s.coefZoom},     {"couleur", s.couleurActif}};
        QCOMPARE(got[field], read);
        QCOMPARE(s.portSettings, QStringLiteral("9600,N,8,1"));
    }

    void halvesRoundToEvenAndHugeValuesSaturate()
    {
        const QList<std::pair<double, double>> cases{{0.5, 0}, {1.5, 2}, {2.5, 2}, {-1.5, -2}, {2.4999, 2}};
        for (const auto &[in, out] : cases)
            QCOMPARE(roundHalfEven(in), out);
        QCOMPARE(toInt16(100000.0), 32767);
        QCOMPARE(roundHalfEven(qQNaN()), 0);
        QCOMPARE(roundToInt(1e20), INT_MAX);
    }

    void writeSettingsTouchesOnlyTheFirstRowAndWholly()
    {
        TempWorkspace ws;
        ws.exec("INSERT INTO \"Param\" (\"CoefZoom\", \"tempo\") VALUES (33, 9)");
        QVERIFY(ws.store().writeSettings({{"CoefZoom", 25.5}, {"CarteX", -120}, {"CarteY", 480}}));
        ws.closeStore();
        Store fresh;
        QCOMPARE(fresh.open(ws.file("relai.db")), Store::OpenResult::Opened);
        const Settings s = fresh.settings();
        QCOMPARE(s.coefZoom, 25.5);
        QCOMPARE(QPoint(s.carteX, s.carteY), QPoint(-120, 480));
        QCOMPARE(tableRows(fresh.database(), "Param").value(1).value(6).toDouble(), 9.0);
        QCOMPARE(tableRows(fresh.database(), "Param").value(1).value(9).toDouble(), 33.0);
        // An unknown field fails the whole write: nothing of it is stored.
        QString error;
        QVERIFY(!fresh.writeSettings({{"CoefZoom", 12}, {"PasUnChamp", 1}}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fresh.settings().coefZoom, 25.5);

        // Without a row, the write starts from the defaults.
        QSqlQuery(fresh.database()).exec("DELETE FROM \"Param\"");
        bool present = true;
        fresh.settings(&present);
        QVERIFY(!present);
        QVERIFY(fresh.writeSettings({{"tempo", 12}}));
        QCOMPARE(fresh.settings(&present).dureeAffichage(), 12);
        QVERIFY(present);
        QCOMPARE(fresh.settings().coefZoom, 10.0);
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

    void corruptFileIsReportedAndLeftAlone()
    {
        TempWorkspace ws;
        const QByteArray junk = QByteArray("SQLite format 3\0", 16) + QByteArray(4096, '\x5a');
        QFile f(ws.file("relai.db"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(junk) == junk.size());
        f.close();
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Failed);
        QVERIFY(!store.isOpen());
        // The engine's English text only as a detail, after the program's own words.
        QVERIFY2(store.lastError().contains("endommagée") &&
                     store.lastError().contains(QRegularExpression(" : [^(]*pas une base de données "
                                                                   "\\(message du système : .+\\)")),
                 qPrintable(store.lastError()));
        QVERIFY(store.repeaters().isEmpty());
        QVERIFY(!store.writeSettings({{"CoefZoom", 20}}));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), junk);
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
