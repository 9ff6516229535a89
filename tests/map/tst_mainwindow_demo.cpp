// The demo workspace opened in the real main window, as ./run shows it; the
// screenshot it saves is the one the README shows.

#include "testmain.h"
#include "core/appcontext.h"
#include "map/frmmain.h"
#include "map/maplabel.h"
#include "map/mapscene.h"
#include "map/mapview.h"
#include "map/repeatericon.h"

#include <QDir>
#include <QGraphicsLineItem>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class tst_mainwindow_demo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyRepeaterShown();

private:
    QTemporaryDir m_tmp;
    QString m_old;
};

void tst_mainwindow_demo::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_tmp.isValid());
    QProcess tool;
    tool.start(qEnvironmentVariable("PONTAVEL_DEMO_TOOL"), {m_tmp.path()});
    QVERIFY(tool.waitForFinished(60000));
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
    m_old = QDir::currentPath();
    QDir::setCurrent(m_tmp.path());
}

void tst_mainwindow_demo::cleanupTestCase()
{
    QDir::setCurrent(m_old);
}

void tst_mainwindow_demo::everyRepeaterShown()
{
    AppContext ctx;
    frmMain w(ctx);
    w.Load();
    QVERIFY2(w.loadMessages().isEmpty(), qPrintable(w.loadMessages().join('\n')));
    w.resize(1280, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    MapScene *scene = w.scene();
    QVERIFY(scene->hasMapPicture());
    QCOMPARE(scene->LargeurPlan(), 1400.0 * 15);
    QCOMPARE(scene->HauteurPlan(), 900.0 * 15);
    const QVector<Repeater> list = ctx.store.repeaters();
    QCOMPARE(list.size(), 10);
    QCOMPARE(scene->repeaterCount(), 10);

    const QRect viewport = w.view()->viewport()->rect();
    for (const Repeater &r : list) {
        const int i = r.numero;
        QVERIFY(scene->RelaiOk.value(i) && scene->RelaiKo.value(i));
        QVERIFY(scene->FreqE.value(i) && scene->FreqR.value(i));
        for (QGraphicsItem *item : {static_cast<QGraphicsItem *>(scene->RelaiOk[i]),
                                    static_cast<QGraphicsItem *>(scene->RelaiKo[i]),
                                    static_cast<QGraphicsItem *>(scene->FreqE[i]),
                                    static_cast<QGraphicsItem *>(scene->FreqR[i])}) {
            QCOMPARE(item->scene(), scene);
            QVERIFY(item->isVisible());
        }
        QVERIFY(!scene->isActive(i));
        QCOMPARE(scene->FreqE[i]->text(), r.nom);
        QCOMPARE(scene->FreqR[i]->text(), r.freq);
        QCOMPARE(scene->RelaiKo[i]->toolTip(), r.nom);
        // At the stored view the whole network is on screen.
        const QPoint icon = w.view()->mapFromScene(scene->RelaiKo[i]->pos());
        QVERIFY2(viewport.contains(icon), qPrintable(r.nom));
        const QPoint label = w.view()->mapFromScene(scene->FreqR[i]->pos());
        QVERIFY2(viewport.contains(label + QPoint(scene->FreqR[i]->pixelWidth(), 28)), qPrintable(r.nom));
    }

    int beams = 0;
    for (QGraphicsLineItem *l : scene->Ligne)
        if (l && l->isVisible())
            ++beams;
    int expected = 0;
    for (const Repeater &r : list)
        expected += std::max(0, int(r.chemin.size()) - 1);
    QCOMPARE(beams, expected);

    const QString shots = qEnvironmentVariable("PONTAVEL_BINARY_DIR", QDir::tempPath()) + "/screenshots";
    QVERIFY(QDir().mkpath(shots));
    const QImage shot = w.grab().toImage();
    QCOMPARE(shot.size(), w.size());
    QVERIFY(shot.save(shots + "/main.png"));
}

PONTAVEL_TEST(tst_mainwindow_demo)
#include "tst_mainwindow_demo.moc"
