// Dragging repeaters and their labels with Shift, and choosing a repeater by
// clicking its icon, driven with the mouse on the map of a real working folder.

#include "testmain.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"
#include "testsupport.h"

#include <QDialog>
#include <QGraphicsLineItem>
#include <QToolButton>


class tst_drag : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void iconDragStoresNaturalPosition_data();
    void iconDragStoresNaturalPosition();
    void releaseWithoutShiftStoresNothing();
    void labelPairDrag_data();
    void labelPairDrag();
    void clicksChooseTheRepeater();
};

void tst_drag::iconDragStoresNaturalPosition_data()
{
    QTest::addColumn<double>("coef");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    // The icon ends at Left 1500, Top 900 on screen.
    QTest::newRow("5") << 5.0 << 3000.0 << 1800.0;
    QTest::newRow("10") << 10.0 << 1500.0 << 900.0;
    QTest::newRow("20") << 20.0 << 750.0 << 450.0;
}

void tst_drag::iconDragStoresNaturalPosition()
{
    QFETCH(double, coef);
    QFETCH(double, left);
    QFETCH(double, top);
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const double k = 10.0 / coef;
    // Icon A on screen at 300, 600 twips (20, 40 pixels), B at 6000, 6000.
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300 * k, 600 * k, 3000 * k, 1500 * k, "12");
    const int b = ws.addRepeater("Bravo", "2", "1255", 6000 * k, 6000 * k, 7500 * k, 7500 * k);
    ws.setParam("CoefZoom", coef);
    ws.closeStore();
    Window w(900, 650);
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.scene();
    QCOMPARE(w.frm->view()->mapFromScene(scene->RelaiKo[a]->pos()), QPoint(20, 40));
    const QPointF labelBefore = scene->FreqE[a]->pos();
    const QLineF beamBefore = scene->Ligne[0]->line();

    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(25, 45));
    QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);
    moveWith(w.vp(), QPoint(60, 50), Qt::LeftButton, Qt::ShiftModifier);
    moveWith(w.vp(), QPoint(105, 65), Qt::LeftButton, Qt::ShiftModifier);
    // Both icons move, and the beam follows while dragging.
    QCOMPARE(scene->RelaiOk[a]->pos(), scene->RelaiKo[a]->pos());
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));
    QVERIFY(scene->Ligne[0]->line() != beamBefore);
    QCOMPARE(scene->Ligne[0]->line().p2(), scene->repeaterPoint(b));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(105, 65));
    QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);

    const QVector<Repeater> rows = ws.storedRepeaters();
    QCOMPARE(rows[a - 1].posGauche, left);
    QCOMPARE(rows[a - 1].posHaut, top);
    QCOMPARE(rows[b - 1].posGauche, 6000 * k);
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(left, top));
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));
    // The labels stay where they were.
    QCOMPARE(scene->FreqE[a]->pos(), labelBefore);
    QCOMPARE(rows[a - 1].libellePosGau, 3000 * k);
}

void tst_drag::releaseWithoutShiftStoresNothing()
{
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300, 600, 3000, 1500, "12");
    ws.addRepeater("Bravo", "2", "1255", 6000, 6000, 7500, 7500);
    ws.closeStore();
    Window w(900, 650);
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.scene();
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(25, 45));
    moveWith(w.vp(), QPoint(105, 65), Qt::LeftButton, Qt::ShiftModifier);
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, QPoint(105, 65));
    QCOMPARE(ws.storedRepeaters()[a - 1].posGauche, 300.0);
    QCOMPARE(ws.storedRepeaters()[a - 1].posHaut, 600.0);
    // Left where it was dropped until the next re-layout puts it back.
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(1500, 900));
    QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(300, 600));
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));

    // A Ctrl drag on an icon does nothing: no move, no pan, no window.
    ModalAnswer modals(QMessageBox::Cancel, ModalAnswer::Every);
    const QPoint icon = w.frm->view()->mapFromScene(scene->RelaiOk[a]->pos()) + QPoint(5, 5);
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ControlModifier, icon);
    moveWith(w.vp(), icon + QPoint(60, 30), Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier, icon + QPoint(60, 30));
    QTest::qWait(50);
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(300, 600));
    QCOMPARE(w.ctx.state.CarteX, 0);
    QCOMPARE(w.ctx.state.IndexBouton, 0);
    QVERIFY(modals.titles.isEmpty());
    QCOMPARE(ws.storedRepeaters()[a - 1].posGauche, 300.0);
}

void tst_drag::labelPairDrag_data()
{
    QTest::addColumn<double>("coef");
    QTest::newRow("10") << 10.0;
    QTest::newRow("20") << 20.0;
}

void tst_drag::labelPairDrag()
{
    QFETCH(double, coef);
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const double k = 10.0 / coef;
    // FreqE on screen at 1500, 1490 twips; FreqR 210 lower, at 1700.
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300 * k, 300 * k, 1500 * k, 1490 * k);
    ws.setParam("CoefZoom", coef);
    ws.closeStore();
    Window w(900, 650);
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.scene();
    const QPointF icon = scene->RelaiOk[a]->pos();
    const QPointF temps = scene->Temps[a]->pos();

    // Press 40 twips under FreqR's top, then bring its top to 2000.
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(103, 116));
    moveWith(w.vp(), QPoint(113, 136), Qt::LeftButton, Qt::ShiftModifier);
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(113, 136));
    QVector<Repeater> rows = ws.storedRepeaters();
    QCOMPARE(rows[a - 1].libellePosGau, 1650 * k);
    QCOMPARE(rows[a - 1].libellePosHaut, 1790 * k);  // the upper label's top
    QCOMPARE(scene->FreqE[a]->pos(), QPointF(1650 * k, 1790 * k));
    QCOMPARE(scene->FreqR[a]->pos(), scene->FreqE[a]->pos());
    QCOMPARE(w.frm->view()->mapFromScene(scene->FreqR[a]->pos()) + scene->FreqR[a]->offset().toPoint(),
             QPoint(110, 119 + 14));
    QCOMPARE(scene->RelaiOk[a]->pos(), icon);
    QCOMPARE(rows[a - 1].posGauche, 300 * k);
    // The countdown label waits for the next re-layout.
    QCOMPARE(scene->Temps[a]->pos(), temps);

    // Dragging the upper label takes the lower one along.
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(112, 121));
    moveWith(w.vp(), QPoint(102, 111), Qt::LeftButton, Qt::ShiftModifier);
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(102, 111));
    rows = ws.storedRepeaters();
    QCOMPARE(rows[a - 1].libellePosGau, 1500 * k);
    QCOMPARE(rows[a - 1].libellePosHaut, 1640 * k);
    QCOMPARE(scene->FreqR[a]->pos(), scene->FreqE[a]->pos());

    QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);
    QCOMPARE(scene->Temps[a]->pos(), QPointF(1500 * k, 1640 * k));
}

void tst_drag::clicksChooseTheRepeater()
{
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300, 600, 3000, 1500);
    const int b = ws.addRepeater("Bravo", "2", "1255", 6000, 6000, 7500, 7500);
    ws.closeStore();
    Window w(900, 650);
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    ModalAnswer modals(QMessageBox::Cancel, ModalAnswer::Every);
    const QPoint iconA(25, 45);
    const QPoint iconB(405, 405);

    // A right press without Shift chooses nothing but notes the repeater.
    QTest::mouseClick(w.vp(), Qt::RightButton, {}, iconB);
    QTest::qWait(30);
    QVERIFY(modals.titles.isEmpty());
    QCOMPARE(w.ctx.state.NomCourant, QStringLiteral("Bravo"));
    QCOMPARE(w.ctx.state.FreqCourante, QStringLiteral("1255"));
    QCOMPARE(w.ctx.state.IndexBouton, 0);

    // A plain left click opens the command window of that repeater.
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, iconA);
    QTRY_COMPARE(modals.titles, QStringList{QStringLiteral("Alpha 438.5")});
    QCOMPARE(w.ctx.state.IndexBouton, a);
    QCOMPARE(w.ctx.state.NomCourant, QStringLiteral("Alpha"));
    QCOMPARE(w.ctx.state.FreqCourante, QStringLiteral("438.5"));

    // Shift + right opens its command table editor.
    QTest::mouseClick(w.vp(), Qt::RightButton, Qt::ShiftModifier, iconB);
    QTRY_COMPARE(modals.titles.size(), 2);
    QCOMPARE(modals.titles.last(), QStringLiteral("Paramètres Bravo1255"));
    QCOMPARE(w.ctx.state.IndexBouton, b);

    // The active icon in front answers the same way.
    w.scene()->setActive(a, true);
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, iconA);
    QTRY_COMPARE(modals.titles.size(), 3);
    QCOMPARE(w.ctx.state.IndexBouton, a);
    // A label has no click action.
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, QPoint(202, 102));
    QTest::qWait(30);
    QCOMPARE(modals.titles.size(), 3);
}

PONTAVEL_TEST(tst_drag)
#include "tst_drag.moc"
