// The main window on a user's folder (settings, map picture, repeaters, beams,
// routes, screens), then the real program started in folders.

#include "testmain.h"
#include "testsupport.h"

#include "ui/windowplacement.h"
#include "dialogs/helpwindow.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"

#include <QGraphicsLineItem>
#include <QScreen>
#include <QStatusBar>

namespace {

QVector<QLineF> visibleLines(const QList<const QGraphicsLineItem *> &lines)
{
    QVector<QLineF> out;
    for (auto *l : lines)
        if (l->isVisible())
            out << l->line();
    return out;
}

// Starts the program in `dir`; true when it still runs after `ms` (past the splash).
bool stillRuns(QProcess &p, const QString &dir, int ms, const QStringList &args = {})
{
    p.setWorkingDirectory(dir);
    p.start(qEnvironmentVariable("PONTAVEL_EXE"), args);
    return p.waitForStarted() && !p.waitForFinished(ms);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void placesRepeatersAndRoutes()
    {
        TempWorkspace ws;
        ws.makeMap(800, 500);
        ws.addRepeater("Alpha", "1", "10.450", 1500, 3000, 1800, 3300, "12");
        ws.addRepeater("Bravo", "2", "2.410", 6000, 4500, 6300, 4800);
        ws.addRepeater("Charlie", "3", "1.255", 7500, 3000, 7500, 3300);
        ws.exec("UPDATE \"Relais\" SET \"PosHaut\" = '' WHERE \"Nom\" = 'Charlie'");
        ws.exec("UPDATE \"Param\" SET \"CoefZoom\" = 20, \"CarteX\" = 150, \"CarteY\" = 300, \"couleur2\" = 255");
        ws.closeStore();
        Window w(1200, 800);
        QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
        QVERIFY(w.frm->loadMessages().isEmpty());
        MapScene *s = w.scene();
        QCOMPARE(s->activeIcon(3)->pos(), QPointF(7500, 0));  // a blank place reads as 0
        // The map origin at (CarteX, CarteY) twips, scaled by 2.
        QCOMPARE(w.frm->view()->mapFromScene(s->activeIcon(1)->pos()), QPoint(10 + 200, 20 + 400));
        // Name and frequency, in the stored colour (red).
        QCOMPARE(QStringList({s->nameLabel(1)->text(), s->frequencyLabel(1)->text(), s->frequencyLabel(1)->color().name()}),
                 QStringList({"Alpha", "10.450", "#ff0000"}));
        // The beam of "12" joins the two icon centres.
        QCOMPARE(visibleLines(s->beamLines()), QVector<QLineF>{QLineF(s->repeaterPoint(1), s->repeaterPoint(2))});
        QVERIFY(!s->isActive(1) && !s->countdownLabel(1)->isVisible() && visibleLines(s->routeLines()).isEmpty());

        // A route: active icon, command texts, line, a running countdown; "Efface" takes it all off.
        w.ctx.routes.AfficheRoute(2, Command{.tx = "Tx", .rx = "Rx", .chemin = "12", .relais = "1"});
        QVERIFY(s->isActive(1) && !s->isActive(2));
        QCOMPARE(s->nameLabel(2)->text(), QString("Tx"));
        QCOMPARE(visibleLines(s->routeLines()), QVector<QLineF>{QLineF(s->repeaterPoint(1), s->repeaterPoint(2))});
        QTRY_COMPARE(s->countdownLabel(1)->isVisible() ? s->countdownLabel(1)->text() : QString(), QString("05:00"));
        QTRY_COMPARE(s->countdownLabel(1)->text(), QString("04:59"));
        w.frm->setStatusText("Zoom en cours");
        QTest::mouseClick(w.button<QPushButton>("CmdEfface"), Qt::LeftButton);
        QVERIFY(w.ctx.routes.CheminsActifs.isEmpty());
        QVERIFY(!s->isActive(1) && !s->countdownLabel(1)->isVisible() && visibleLines(s->routeLines()).isEmpty());
        QCOMPARE(s->nameLabel(2)->text() + s->nameLabel(2)->color().name(), "Bravo#ff0000");
        QCOMPARE(w.frm->statusText(), QString("Etat :"));
    }

    // Thirty repeaters with a 48-key beam string (beyond the old 31 segments) on a 6000 x 6000 map
    // (144 MB decoded, past Qt's default image limit); then no map, megabytes of name and beam
    // string and absurd places: all drawn, the repeats of the beam string once.
    void largeNetworksStayDrawable()
    {
        const QString keys = "0123456789ABCD#*";
        for (const bool huge : {false, true}) {
            TempWorkspace ws;
            if (!huge)
                ws.makeMap(6000, 6000);
            const QString name = huge ? QString(4 * 1024 * 1024, QLatin1Char('N')) : QString("Relais 1");
            const QString beams = huge ? QStringLiteral("123").repeated(33334) : keys + keys + keys;
            const auto key = [&](int i) { return huge ? QString::number(i) : keys.mid((i - 1) % keys.size(), 1); };
            ws.addRepeater(name, key(1), "1.255", huge ? 1e20 : 600, 400, 900, 700, beams);
            for (int i = 2; i <= (huge ? 3 : 30); ++i)
                ws.addRepeater(QStringLiteral("Relais %1").arg(i), key(i), "1.255", i * 600,
                               huge && i == 2 ? -1e300 : i * 400, i * 600 + 300, i * 400 + 300);
            ws.closeStore();
            Window w;
            w.frm->grab();
            QCOMPARE(w.frm->loadMessages().join(' ').contains("plan.bmp"), huge);
            QVERIFY(huge ? !w.scene()->hasMapPicture() && w.scene()->LargeurPlan() > 0
                         : w.scene()->LargeurPlan() == 90000);
            QCOMPARE(w.scene()->nameLabel(1)->text(), name);
            QVERIFY(w.scene()->nameLabel(1)->pixelWidth() < 1000);
            QCOMPARE(w.scene()->activeIcon(3)->pos(), QPointF(1800, 1200));
            QCOMPARE(visibleLines(w.scene()->beamLines()).size(), huge ? 3 : 47);  // 1-2, 2-3, 3-1
        }
    }

    // On each screen, and first on the 1024 x 600 one, the whole window with its status bar lies inside
    // the available area; a place saved on a screen that is gone comes back on the primary screen.
    void fitsEveryScreen()
    {
        TempWorkspace ws;
        ws.makeMap(1400, 900);
        ws.closeStore();
        const QList<QScreen *> screens = QGuiApplication::screens();
        QVERIFY2(screens.size() == 4 && screens[3]->devicePixelRatio() == 2, "screens.json");
        const auto on = [&](int i, QPoint at) { return QRect(screens[i]->geometry().topLeft() + at, QSize(1280, 860)); };
        const QList<std::pair<QRect, QScreen *>> cases{
            {QRect(), screens[0]},           {QRect(30000, 30000, 1600, 1200), screens[0]},
            {on(1, {300, 200}), screens[1]}, {on(2, {100, 100}), screens[2]}, {on(3, {}), screens[3]}};
        for (const auto &[saved, screen] : cases) {
            QSettings().remove("Fenetre");
            if (saved.isValid())
                QSettings().setValue("Fenetre/Geometrie", saved);
            AppContext ctx;
            const std::unique_ptr<frmMain> main = ctx.makeMainWindow();
            frmMain &w = *main;
            w.Load();
            WindowPlacement::restore(&w, QSize(1280, 860));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const QRect area = screen->availableGeometry();
            const QString where = screen->name() + " " + QDebug::toString(w.frameGeometry());
            QCOMPARE(w.screen(), screen);
            QVERIFY2(area.contains(w.frameGeometry()), qPrintable(where));
            QVERIFY2(w.statusBar()->isVisible()
                         && area.contains(QRect(w.statusBar()->mapToGlobal(QPoint()), w.statusBar()->size())),
                     qPrintable(where));
            QVERIFY2(w.size().height() >= w.minimumSizeHint().height(), qPrintable(where));
            HelpWindow help(QUrl("qrc:/resources/help/index.html"), &w);
            help.show();
            QVERIFY(QTest::qWaitForWindowExposed(&help));
            QVERIFY2(help.frameGeometry().height() <= area.height(), qPrintable(where));
            help.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&help));
            QTest::keyClick(&help, Qt::Key_Escape);
            QVERIFY(!help.isVisible());
        }
    }

    // An empty folder: the map itself says how to start, until a repeater is added.
    void emptyNetworkSaysWhatToDo()
    {
        TempWorkspace ws;
        Window w(1024, 600);
        QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
        QWidget *hint = w.frm->emptyNetworkHint();
        QVERIFY(hint && w.vp()->rect().contains(hint->geometry()));
        if (const QString dir = qEnvironmentVariable("PONTAVEL_SCREENSHOTS"); !dir.isEmpty())
            w.frm->grab().save(dir + "/reseau-vide.png");
        ws.addRepeater("Alpha", "1", "438.5", 600, 600, 600, 900);
        w.frm->reloadRepeaters();
        QVERIFY(!w.frm->emptyNetworkHint());
    }

    // Started in the home folder with no data, as from the desktop menu, the
    // program works in the per-user data folder.
    void menuStartUsesTheDataFolder()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.remove("XDG_DATA_HOME");
        env.remove("XDG_CONFIG_HOME");
        QProcess p;
        p.setProcessEnvironment(env);
        QVERIFY(stillRuns(p, home.path(), 0));
        const QString data = home.filePath(".local/share/Pontavel/Pontavel/");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "relai.db"), 60000);
        QVERIFY(!p.waitForFinished(3000));  // past the splash, on the demo network
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QVERIFY(QFile::exists(data + "plan.bmp") && !QFile::exists(home.filePath("relai.db")));
    }

    // A damaged relai.db is never written. Options answer without touching the folder; the program
    // starts; a second start changes no file and leaves; the lock of a killed run is taken over.
    void oneProgramPerFolderAndADamagedBaseLeftAlone()
    {
        TempWorkspace ws;
        const QByteArray junk = "this is not a database at all" + QByteArray(2048, 'x');
        QFile db(ws.file("relai.db"));
        QVERIFY(db.open(QIODevice::WriteOnly) && db.write(junk) == junk.size());
        db.close();
        auto snapshot = [&] {
            QStringList files;
            for (const QFileInfo &i : QDir(ws.path()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
                QFile f(i.filePath());
                f.open(QIODevice::ReadOnly);
                files << i.fileName() + QString::number(qHash(f.readAll())) + i.lastModified().toString(Qt::ISODateWithMs);
            }
            return files;
        };
        const QStringList untouched = snapshot();
        for (const auto &[option, code] : QList<std::pair<QString, int>>{{"--help", 0}, {"--version", 0}, {"--inconnue", 1}}) {
            QProcess p;
            QVERIFY(!stillRuns(p, ws.path(), 20000, {option}));
            QCOMPARE(p.exitCode(), code);
            QCOMPARE(snapshot(), untouched);
        }
        QProcess first, second, third;
        QVERIFY(stillRuns(first, ws.path(), 3500));
        const QStringList before = snapshot();
        QVERIFY(!stillRuns(second, ws.path(), 5000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("déjà lancé")));
        QCOMPARE(snapshot(), before);
        first.kill();
        QVERIFY(first.waitForFinished(5000));
        QVERIFY(QFile::exists(ws.file("pontavel.lock")));
        QVERIFY(stillRuns(third, ws.path(), 3000));
        third.terminate();
        QVERIFY(third.waitForFinished(5000));
        QVERIFY(db.open(QIODevice::ReadOnly));
        QCOMPARE(db.readAll(), junk);
    }
};

PONTAVEL_TEST(tst_MainWindow)
#include "tst_mainwindow.moc"
