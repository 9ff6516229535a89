// The data store on real SQLite files: defaults, reading rules, rows that
// break the rules, and files that are not usable databases.

#include "testsupport.h"

#include "core/convert.h"

#include <climits>
#include <csignal>

#include <sys/resource.h>

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
        QCOMPARE(QString("%1 %2 %3 %4").arg(s.coefZoom).arg(s.displayMinutes()).arg(s.comNumber).arg(s.portSettings), "10 5 1 9600,N,8,1");
        // Colours that differ from one another and from a white map.
        const QSet<quint32> colours{s.activeColour, s.idleColour, s.routeColour, s.beamColour};
        QVERIFY(present && colours.size() == 4 && !colours.contains(0xFFFFFF));
        QVERIFY(store.CreeTable("7"));  // command tables refuse an empty Tx and sequences over 24 keys
        QSqlQuery q(store.database());
        QVERIFY(!q.exec("INSERT INTO \"7\" VALUES (1,'','rx','','','','','','','')"));
        QVERIFY(!q.exec("INSERT INTO \"7\" VALUES (1,'tx','rx','1234567890123456789012345','','','','','','')"));
        QVERIFY(q.exec("INSERT INTO \"7\" VALUES (1,'tx','rx','123456789012345678901234','','','','','','')"));
        QString error;
        QVERIFY(!store.CreeTable("7", &error) && !error.isEmpty());
        store.close();
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QVERIFY(store.repeaters().isEmpty());
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
        QStringList read;
        for (const Repeater &r : list)
            read << QString("%1 %2 %3 %4 %5 %6 %7 %8 %9").arg(r.numero).arg(r.nom, r.dtmf, r.freq).arg(r.posGauche).arg(r.posHaut)
                        .arg(r.libellePosGau).arg(r.libellePosHaut).arg(r.chemin);
        QCOMPARE(read, QStringList({"1 Alpha 1 10.450 100 200 300 400 12", "2 Bravo 2 2.410 0 0 700 800 ",
                                    "3 Charlie 1 1.255 1e+06 -1e+06 1100 1200 "}));

        ws.addCommand(1, "Marche", "Vidéo", {"12", "", "3#"}, "12-3", "123");
        ws.addCommand(1, "Arrêt", "Fin", {"1*"});
        const QVector<Command> cmds = ws.store().commands(1);
        QCOMPARE(cmds.size(), 2);
        QCOMPARE(QStringList({QString::number(cmds[0].numero), cmds[0].tx, cmds[0].rx, cmds[0].wav[0], cmds[0].wav[2], cmds[0].chemin, cmds[0].relais}),
                 QStringList({"1", "Marche", "Vidéo", "12", "3#", "12-3", "123"}));
        QVERIFY(sequenceAbsent(cmds[1].wav[1]));
        QString error;
        QVERIFY(ws.store().commands(9, &error).isEmpty() && error.contains("9"));
        // A dragged position goes to its repeater's row; one no longer there is not written.
        QVERIFY(ws.store().writeIconPosition(2, 10, 20) && ws.store().writeLabelPosition(2, 30, 40));
        const Repeater b = ws.store().repeaters().value(1);
        QVERIFY(b.posGauche == 10 && b.posHaut == 20 && b.libellePosGau == 30 && b.libellePosHaut == 40);
        for (auto write : {&Store::writeIconPosition, &Store::writeLabelPosition})
            QVERIFY((error.clear(), !(ws.store().*write)(4, 1, 1, &error)) && error.contains("Relais 4 introuvable"));
    }

    void settingsRoundedAndClamped()
    {
        // Halves go to the even neighbour; a map of no size is never shown; not a colour: the default stays.
        const struct { const char *field; QVariant stored; double read; } cases[] = {
            {"N°Com", 2.5, 2}, {"tempo", 4.5, 4}, {"CarteX", 3.5, 4}, {"CarteY", -2.5, -2}, {"CoefZoom", 0, 10},
            {"CoefZoom", -3, 10}, {"CoefZoom", 15, 15}, {"CoefZoom", {}, 10}, {"CoefZoom", 1e300, 1000},
            {"CarteX", 1e300, 32767}, {"tempo", 1e300, 32767}, {"couleur", 1e300, double(Settings().activeColour)},
            {"couleur", 4294967295.0, 0xFFFFFF}, {"couleur", 4294967296.0, double(Settings().activeColour)},
        };
        for (const auto &c : cases) {
            TempWorkspace ws;
            ws.setParam(c.field, c.stored);
            ws.setParam("settings", QVariant());
            const Settings s = ws.store().settings();
            const QMap<QString, double> got{{"N°Com", s.comNumber}, {"tempo", s.displayMinutes()}, {"CarteX", s.carteX},
                                            {"CarteY", s.carteY}, {"CoefZoom", s.coefZoom}, {"couleur", s.activeColour}};
            QVERIFY2(got[c.field] == c.read && s.portSettings == "9600,N,8,1", c.field);
        }
        for (const auto &[in, out] : QList<std::pair<double, double>>{{0.5, 0}, {1.5, 2}, {2.5, 2}, {-1.5, -2}, {2.4999, 2}})
            QCOMPARE(roundHalfEven(in), out);
        QVERIFY(toInt16(100000.0) == 32767 && roundHalfEven(qQNaN()) == 0 && roundToInt(1e20) == INT_MAX);
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
        QCOMPARE(QString("%1 %2 %3").arg(s.coefZoom).arg(s.carteX).arg(s.carteY), "25.5 -120 480");
        const QVariantList second = tableRows(fresh.database(), "Param").value(1);
        QCOMPARE(second.value(6).toDouble() + second.value(9).toDouble(), 42.0);  // tempo 9, CoefZoom 33
        // An unknown field fails the whole write: nothing of it is stored.
        QString error;
        QVERIFY(!fresh.writeSettings({{"CoefZoom", 12}, {"PasUnChamp", 1}}, &error) && !error.isEmpty());
        QCOMPARE(fresh.settings().coefZoom, 25.5);
        // Without a row, the write starts from the defaults.
        QSqlQuery(fresh.database()).exec("DELETE FROM \"Param\"");
        bool present = true;
        fresh.settings(&present);
        QVERIFY(!present && fresh.writeSettings({{"tempo", 12}}));
        QCOMPARE(fresh.settings(&present).displayMinutes(), 12);
        QVERIFY(present && fresh.settings().coefZoom == 10.0);
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
        QVERIFY2(store.warnings().size() == 1 && store.warnings()[0].contains("« 1 »"), qPrintable(store.warnings().join('\n')));
        QStringList skipped;
        const QVector<Command> list = store.commands(1, nullptr, &skipped);
        QVERIFY(list.size() == 2 && list[1].tx == "Ligne 3" && skipped.size() == 1);
        QVERIFY2(skipped[0].startsWith("La commande 2 du relais 1 est ignorée") && skipped[0].contains("CHECK"),
                 qPrintable(skipped[0]));
    }

    // A damaged file is reported and never written; one held by another program is not called damaged.
    void unusableFilesAreReportedAndLeftAlone()
    {
        TempWorkspace ws;
        const QByteArray junk = QByteArray("SQLite format 3\0", 16) + QByteArray(4096, '\x5a');
        QFile f(ws.file("relai.db"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(junk) == junk.size());
        f.close();
        Store store;
        QVERIFY(store.open(ws.file("relai.db")) == Store::OpenResult::Failed && !store.isOpen());
        // The engine's English text only as a detail, after the program's own words.
        QVERIFY2(store.lastError().contains("endommagée") &&
                     store.lastError().contains(QRegularExpression(" : [^(]*pas une base de données "
                                                                   "\\(message du système : .+\\)")),
                 qPrintable(store.lastError()));
        QVERIFY(store.repeaters().isEmpty() && !store.writeSettings({{"CoefZoom", 20}}));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), junk);
        // A full disk at the first start (no file may grow, SIGXFSZ ignored): reported, no half-made file left.
        rlimit was, full{0, 0};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &was) == 0 && (full.rlim_max = was.rlim_max, std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR));
        const auto created = setrlimit(RLIMIT_FSIZE, &full) == 0 ? store.open(ws.file("neuf.db")) : Store::OpenResult::Created;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &was) == 0 && created == Store::OpenResult::Failed && !QFile::exists(ws.file("neuf.db")));
        QVERIFY2(store.lastError().contains("Impossible de créer"), qPrintable(store.lastError()));

        QVERIFY(f.remove());
        ws.addRepeater("Alpha", "1", "10.450");
        ws.closeStore();
        QProcess holder;
        holder.start("sqlite3", {ws.file("relai.db")});
        holder.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
        QVERIFY(holder.waitForReadyRead(5000));
        QElapsedTimer t;
        t.start();
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Failed);
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(store.lastError().contains("utilisée par un autre programme"), qPrintable(store.lastError()));
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
