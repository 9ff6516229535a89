// The main window as it starts on a user's folder: settings, map picture,
// repeaters and beams, on the offscreen platform with real files.

#include "testmain.h"
#include "testsupport.h"

#include "core/appcontext.h"
#include "core/convert.h"
#include "core/frmsplash.h"
#include "map/frmmain.h"
#include "map/maplabel.h"
#include "map/mapscene.h"
#include "map/mapview.h"
#include "map/repeatericon.h"

#include <QFontMetricsF>
#include <QGraphicsLineItem>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

QVector<QLineF> visibleLines(const QVector<QGraphicsLineItem *> &lines)
{
    QVector<QLineF> out;
    for (auto *l : lines)
        if (l->isVisible())
            out << l->line();
    return out;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void placesRepeatersAtTheStoredZoomAndOffset()
    {
        TempWorkspace ws;
        ws.makeMap(800, 500);
        ws.addRepeater("Alpha", "1", "10.450", 1500, 3000, 1800, 3300, "12");
        ws.addRepeater("Bravo", "2", "2.410", 6000, 4500, 6300, 4800);
        ws.setParam("CoefZoom", 20);
        ws.setParam("CarteX", 150);
        ws.setParam("CarteY", 300);
        ws.closeStore();

        AppContext ctx;
        frmMain w(ctx);
        w.resize(1200, 800);
        w.Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.loadMessages().isEmpty());
        QCOMPARE(w.windowTitle(), QStringLiteral("Pontavel"));
        QCOMPARE(w.scene()->LargeurPlan(), 800.0 * TwipsPerPixel);
        QCOMPARE(w.scene()->HauteurPlan(), 500.0 * TwipsPerPixel);

        MapScene *s = w.scene();
        QCOMPARE(s->repeaterCount(), 2);
        QCOMPARE(s->RelaiOk[1]->pos(), QPointF(1500, 3000));
        QCOMPARE(s->RelaiKo[1]->pos(), QPointF(1500, 3000));
        QVERIFY(!s->isActive(1));
        // On screen: the map origin at (CarteX, CarteY) twips, scaled by 2.
        const QPoint onScreen = w.view()->mapFromScene(s->RelaiOk[1]->pos());
        QCOMPARE(onScreen, QPoint(10 + 200, 20 + 400));
        QCOMPARE(w.view()->mapToViewport(QPointF(1500, 3000)), QPointF(210, 420));

        QCOMPARE(s->FreqE[1]->text(), QStringLiteral("Alpha"));
        QCOMPARE(s->FreqR[1]->text(), QStringLiteral("10.450"));
        QCOMPARE(s->FreqE[2]->pos(), QPointF(6300, 4800));
        QCOMPARE(s->FreqR[2]->pos(), s->FreqE[2]->pos());
        QCOMPARE(s->FreqR[2]->offset().y() - s->FreqE[2]->offset().y(), 210.0 / TwipsPerPixel);
        QVERIFY(!s->Temps[1]->isVisible());
        QVERIFY(!s->Temps[2]->isVisible());

        // The beam of "12" joins the two icon centres.
        const QVector<QLineF> beams = visibleLines(s->Ligne);
        QCOMPARE(beams.size(), 1);
        QCOMPARE(beams[0].p1(), s->repeaterPoint(1));
        QCOMPARE(beams[0].p2(), s->repeaterPoint(2));
        QVERIFY(visibleLines(s->LigneAct).isEmpty());
    }

    void thirtyRepeatersAndUnlimitedBeams()
    {
        TempWorkspace ws;
        ws.makeMap(1400, 900);
        const QString keys = "0123456789ABCD#*";
        for (int i = 1; i <= 30; ++i)
            ws.addRepeater(QStringLiteral("Relais %1").arg(i), keys.mid((i - 1) % keys.size(), 1),
                           "1.255", i * 600, i * 400, i * 600 + 300, i * 400 + 300,
                           i == 1 ? keys + keys + keys : QString());
        ws.closeStore();
        AppContext ctx;
        frmMain w(ctx);
        w.Load();
        QCOMPARE(w.scene()->repeaterCount(), 30);
        for (int i = 1; i <= 30; ++i)
            QCOMPARE(w.scene()->RelaiOk[i]->pos(), QPointF(i * 600, i * 400));
        // 48 keys chain 47 segments: far beyond the old limit of 31.
        QCOMPARE(visibleLines(w.scene()->Ligne).size(), 47);
    }

    void missingMapStillShowsEveryRepeater()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "10.450", 1500, 3000, 1500, 3300);
        ws.addRepeater("Bravo", "2", "2.410", 4500, 3000, 4500, 3300);
        ws.exec("UPDATE \"Relais\" SET \"PosHaut\" = '' WHERE \"Nom\" = 'Alpha'");
        ws.addRepeater("Charlie", "3", "1.255", 7500, 3000, 7500, 3300);
        ws.closeStore();
        AppContext ctx;
        frmMain w(ctx);
        w.Load();
        QCOMPARE(w.loadMessages().size(), 1);
        QVERIFY2(w.loadMessages().first().contains("plan.bmp"), qPrintable(w.loadMessages().first()));
        QVERIFY(!w.scene()->hasMapPicture());
        QVERIFY(w.scene()->LargeurPlan() > 0);
        QCOMPARE(w.scene()->repeaterCount(), 3);
        QCOMPARE(w.scene()->RelaiOk[1]->pos(), QPointF(1500, 0));
        QCOMPARE(w.scene()->RelaiOk[3]->pos(), QPointF(7500, 3000));
    }

    void longLabelsNeverClip()
    {
        TempWorkspace ws;
        ws.makeMap(400, 300);
        const QString longName = "Relais du Mont Saint-Pierre-des-Quatre-Vents WWWWWWWW";
        ws.addRepeater(longName, "1", "10.450 GHz", 100, 100, 100, 400);
        ws.addRepeater("i", "2", "1", 900, 100, 900, 400);
        ws.closeStore();
        AppContext ctx;
        frmMain w(ctx);
        w.Load();
        MapLabel *l = w.scene()->FreqE[1];
        const QFontMetricsF fm(MapLabel::labelFont());
        QVERIFY(l->pixelWidth() >= fm.horizontalAdvance(longName));
        // Short captions keep the stored width rule of 110 twips a character.
        QCOMPARE(w.scene()->FreqE[2]->pixelWidth(), qreal(LargeurTexte("i")) / TwipsPerPixel);
    }

    void newFolderGetsDefaultsAndSaysSo()
    {
        TempWorkspace ws;
        AppContext ctx;
        frmMain w(ctx);
        w.Load();
        QVERIFY(QFile::exists(ws.file("relai.db")));
        QCOMPARE(ctx.state.CoefZoom, 10.0);
        QCOMPARE(ctx.state.DureeAffichage, 5);
        QVERIFY2(w.statusBar()->currentMessage().contains("relai.db"),
                 qPrintable(w.statusBar()->currentMessage()));
        QCOMPARE(w.scene()->repeaterCount(), 0);
    }

    // The map shows what the route state says, and "Efface" takes it all off.
    void routesOnTheMapAndEfface()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5", 600, 600, 600, 900);
        ws.addRepeater("Bravo", "2", "1255", 3000, 2400, 3000, 2700);
        ws.closeStore();
        AppContext ctx;
        frmMain w(ctx);
        w.Load();
        Command c;
        c.tx = "Tx";
        c.rx = "Rx";
        c.chemin = "12";
        c.relais = "1";
        ctx.state.IndexBouton = 2;
        ctx.routes.AfficheRoute(c);
        MapScene *s = w.scene();
        QVERIFY(s->isActive(1) && !s->isActive(2));
        QCOMPARE(s->FreqE[2]->text(), QString("Tx"));
        QVERIFY(s->LigneAct[0]->isVisible());
        QTRY_COMPARE(s->Temps[1]->text(), QString("05:00"));
        QVERIFY(s->Temps[1]->isVisible());

        w.setEtat("Zoom en cours");
        QTest::mouseClick(w.CmdEfface, Qt::LeftButton);
        QVERIFY(ctx.routes.CheminsActifs.isEmpty());
        QVERIFY(!s->isActive(1));
        QVERIFY(!s->Temps[1]->isVisible());
        QCOMPARE(s->FreqE[2]->text(), QString("Bravo"));
        for (auto *l : s->LigneAct)
            QVERIFY(!l || !l->isVisible());
        QCOMPARE(w.etat(), QString("Etat :"));
    }

    // The real program in a folder with a damaged relai.db: it starts, says
    // why, and the file is left exactly as it was.
    void programLeavesADamagedDatabaseAlone()
    {
        TempWorkspace ws;
        QByteArray junk("this is not a database at all");
        junk += QByteArray(2048, 'x');
        {
            QFile f(ws.file("relai.db"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(junk);
        }
        QProcess p;
        p.setWorkingDirectory(ws.path());
        p.start(qEnvironmentVariable("PONTAVEL_EXE"), {});
        QVERIFY(p.waitForStarted());
        QVERIFY(!p.waitForFinished(3500));  // still running past the splash
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QFile f(ws.file("relai.db"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), junk);
    }

    void programCreatesAWorkspaceWhenNoneExists()
    {
        TempWorkspace ws;
        QProcess p;
        p.setWorkingDirectory(ws.path());
        p.start(qEnvironmentVariable("PONTAVEL_EXE"), {});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.file("relai.db")), 6000);
        QCOMPARE(p.state(), QProcess::Running);
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        Store store;
        QCOMPARE(store.open(ws.file("relai.db")), Store::OpenResult::Opened);
        QCOMPARE(store.settings().coefZoom, 10.0);
    }
};

PONTAVEL_TEST(tst_MainWindow)
#include "tst_mainwindow.moc"
