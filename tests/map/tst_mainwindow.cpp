// The main window as it starts on a user's folder: settings, map picture,
// repeaters and beams, on the offscreen platform with real files.

#include "testmain.h"
#include "testsupport.h"

#include "core/convert.h"
#include "core/frmsplash.h"
#include "core/windowplacement.h"
#include "dialogs/helpwindow.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QGraphicsLineItem>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
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

    void hugeStoredValuesStayDrawableAndResponsive()
    {
        TempWorkspace ws;
        ws.makeMap(1400, 900);
        const QString name(4 * 1024 * 1024, QLatin1Char('N'));
        const QString chemin = QStringLiteral("123").repeated(33334);
        ws.addRepeater(name, "1", "1.255", 1e20, 600, 900, 900, chemin);
        ws.addRepeater("Bravo", "2", "1.255", 1200, -1e300, 1500, 1500);
        ws.addRepeater("Charlie", "3", "1.255", 1800, 900, 2100, 2100);
        ws.closeStore();
        QElapsedTimer t;
        t.start();
        AppContext ctx;
        frmMain w(ctx);
        w.Load();
        w.grab();
        QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(w.scene()->FreqE[1]->text(), name);
        QVERIFY(w.scene()->FreqE[1]->pixelWidth() < 1000);
        QCOMPARE(visibleLines(w.scene()->Ligne).size(), 3);  // 1-2, 2-3, 3-1
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

    // On each screen, and at first start on the 1024 x 600 one, the whole
    // window with its status bar lies inside the available area; a place saved
    // on a screen that is gone comes back on the primary screen.
    void fitsEveryScreen()
    {
        TempWorkspace ws;
        ws.makeMap(1400, 900);
        ws.closeStore();
        const QList<QScreen *> screens = QGuiApplication::screens();
        QVERIFY2(screens.size() == 4, "screens.json");
        QCOMPARE(screens[3]->devicePixelRatio(), 2.0);
        QCOMPARE(screens[3]->availableGeometry().size(), QSize(1280, 720));
        const QList<std::pair<QRect, QScreen *>> cases{
            {QRect(), screens[0]},
            {QRect(30000, 30000, 1600, 1200), screens[0]},
            {QRect(screens[1]->geometry().topLeft() + QPoint(300, 200), QSize(1280, 860)), screens[1]},
            {QRect(screens[2]->geometry().topLeft() + QPoint(100, 100), QSize(1280, 860)), screens[2]},
            {QRect(screens[3]->geometry().topLeft(), QSize(1280, 860)), screens[3]},
        };
        for (const auto &[saved, screen] : cases) {
            QSettings().remove("Fenetre");
            if (saved.isValid())
                QSettings().setValue("Fenetre/Geometrie", saved);
            AppContext ctx;
            frmMain w(ctx);
            w.Load();
            WindowPlacement::restore(&w, QSize(1280, 860));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const QRect area = screen->availableGeometry();
            const QString where = screen->name() + " " + QDebug::toString(w.frameGeometry());
            QCOMPARE(w.screen(), screen);
            QVERIFY2(area.contains(w.frameGeometry()), qPrintable(where));
            QVERIFY(w.statusBar()->isVisible());
            QVERIFY2(area.contains(QRect(w.statusBar()->mapToGlobal(QPoint()), w.statusBar()->size())),
                     qPrintable(where));
            QVERIFY2(w.size().height() >= w.minimumSizeHint().height(), qPrintable(where));
            HelpWindow help(QUrl("qrc:/resources/help/index.html"), &w);
            help.show();
            QVERIFY(QTest::qWaitForWindowExposed(&help));
            QVERIFY2(help.frameGeometry().height() <= area.height(), qPrintable(where));
        }
    }

    // --help and --version answer without touching the folder, an unknown
    // option is refused; started in the home folder with no data, as from the
    // desktop menu, the program works in the per-user data folder.
    void commandLineAndMenuStart()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.remove("XDG_DATA_HOME");
        env.remove("XDG_CONFIG_HOME");
        const QList<std::pair<QString, int>> options{{"--help", 0}, {"--version", 0}, {"--inconnue", 1}};
        for (const auto &[option, code] : options) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(home.path());
            p.start(qEnvironmentVariable("PONTAVEL_EXE"), {option});
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), code);
            QVERIFY2(QDir(home.path()).isEmpty(), qPrintable(option));
        }
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(qEnvironmentVariable("PONTAVEL_EXE"), {});
        const QString data = home.filePath(".local/share/Pontavel/Pontavel/");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "relai.db"), 60000);
        QVERIFY(!p.waitForFinished(3000));  // past the splash, on the demo network
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QVERIFY(QFile::exists(data + "plan.bmp"));
        QVERIFY(!QFile::exists(home.filePath("relai.db")));
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

    // One program per folder: a second start changes no file and says why;
    // the lock of a run that was killed is taken over.
    void secondStartInTheSameFolderLeaves()
    {
        TempWorkspace ws;
        auto snapshot = [&] {
            QStringList files;
            for (const QFileInfo &i : QDir(ws.path()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
                QFile f(i.filePath());
                f.open(QIODevice::ReadOnly);
                files << i.fileName() + QString::number(qHash(f.readAll()))
                             + i.lastModified().toString(Qt::ISODateWithMs);
            }
            return files;
        };
        QProcess first;
        first.setWorkingDirectory(ws.path());
        first.start(qEnvironmentVariable("PONTAVEL_EXE"), {});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.file("relai.db")), 6000);
        QTest::qWait(500);
        const QStringList before = snapshot();
        QProcess second;
        second.setWorkingDirectory(ws.path());
        second.start(qEnvironmentVariable("PONTAVEL_EXE"), {});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("déjà lancé")));
        QCOMPARE(snapshot(), before);

        first.kill();
        QVERIFY(first.waitForFinished(5000));
        QVERIFY(QFile::exists(ws.file("pontavel.lock")));
        QProcess third;
        third.setWorkingDirectory(ws.path());
        third.start(qEnvironmentVariable("PONTAVEL_EXE"), {});
        QVERIFY(third.waitForStarted());
        QVERIFY(!third.waitForFinished(3000));
        third.terminate();
        QVERIFY(third.waitForFinished(5000));
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
