// Dragging repeaters and their labels with Shift, and choosing a repeater by
// clicking its icon, driven with the mouse on the map of a real working folder.

#include "testmain.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"
#include "testsupport.h"

#include <QGraphicsLineItem>
#include <QToolButton>

namespace {

// Press at the first point, move through the others, release at the last.
void drag(QWidget *vp, const QList<QPoint> &path, Qt::KeyboardModifiers mods, Qt::KeyboardModifiers atRelease)
{
    QTest::mousePress(vp, Qt::LeftButton, mods, path.first());
    for (qsizetype i = 1; i < path.size(); ++i)
        moveWith(vp, path[i], Qt::LeftButton, mods);
    QTest::mouseRelease(vp, Qt::LeftButton, atRelease, path.last());
}

QPointF iconRow(const TempWorkspace &ws, int i)
{
    const Repeater r = ws.storedRepeaters()[i - 1];
    return {r.posGauche, r.posHaut};
}

QPointF labelRow(const TempWorkspace &ws, int i)
{
    const Repeater r = ws.storedRepeaters()[i - 1];
    return {r.libellePosGau, r.libellePosHaut};
}

} // namespace

class tst_drag : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void iconDragStoresNaturalPosition_data();
    void iconDragStoresNaturalPosition();
    void dropWithoutShiftStoresNothing();
    void labelPairDrag_data() { iconDragStoresNaturalPosition_data(); }
    void labelPairDrag();
    void clicksChooseTheRepeater();
};

void tst_drag::iconDragStoresNaturalPosition_data()
{
    QTest::addColumn<double>("coef");
    QTest::newRow("5") << 5.0;
    QTest::newRow("10") << 10.0;
    QTest::newRow("20") << 20.0;
}

void tst_drag::iconDragStoresNaturalPosition()
{
    QFETCH(double, coef);
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const double k = 10.0 / coef;
    // Icon A on screen at 300, 600 twips (20, 40 pixels), B at 6000, 6000;
    // A is dropped at 1500, 900 on screen.
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300 * k, 600 * k, 3000 * k, 1500 * k, "12");
    const int b = ws.addRepeater("Bravo", "2", "1255", 6000 * k, 6000 * k, 7500 * k, 7500 * k);
    ws.setParam("CoefZoom", coef);
    ws.closeStore();
    const QPointF dropped(1500 * k, 900 * k);
    {
        Window w(900, 650);
        QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
        MapScene *scene = w.scene();
        QCOMPARE(w.frm->view()->mapFromScene(scene->RelaiKo[a]->pos()), QPoint(20, 40));
        const QPointF labels = scene->FreqE[a]->pos();
        QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(25, 45));
        QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);
        moveWith(w.vp(), QPoint(60, 50), Qt::LeftButton, Qt::ShiftModifier);
        moveWith(w.vp(), QPoint(105, 65), Qt::LeftButton, Qt::ShiftModifier);
        // Both icons move and the beam follows while dragging; nothing is stored yet.
        QCOMPARE(scene->RelaiOk[a]->pos(), dropped);
        QCOMPARE(scene->RelaiKo[a]->pos(), dropped);
        QCOMPARE(scene->Ligne[0]->line(), QLineF(scene->repeaterPoint(a), scene->repeaterPoint(b)));
        QCOMPARE(iconRow(ws, a), QPointF(300 * k, 600 * k));
        QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(105, 65));
        QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(scene->FreqE[a]->pos(), labels);
    }
    QCOMPARE(iconRow(ws, a), dropped);
    QCOMPARE(labelRow(ws, a), QPointF(3000 * k, 1500 * k));
    QCOMPARE(iconRow(ws, b), QPointF(6000 * k, 6000 * k));
    // The next start shows it where it was dropped.
    Window again(900, 650);
    QCOMPARE(again.scene()->RelaiOk[a]->pos(), dropped);
    QCOMPARE(again.scene()->Ligne[0]->line().p1(), again.scene()->repeaterPoint(a));
}

void tst_drag::dropWithoutShiftStoresNothing()
{
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300, 600, 3000, 1500, "12");
    ws.addRepeater("Bravo", "2", "1255", 6000, 6000, 7500, 7500);
    ws.closeStore();
    Window w(900, 650);
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.scene();
    drag(w.vp(), {QPoint(25, 45), QPoint(105, 65)}, Qt::ShiftModifier, {});
    QCOMPARE(iconRow(ws, a), QPointF(300, 600));
    // Left where it was dropped until the next re-layout puts it back.
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(1500, 900));
    QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(300, 600));
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));

    // A Ctrl drag on an icon does nothing: no move, no pan, no window.
    ModalAnswer modals(QMessageBox::Cancel, ModalAnswer::Every);
    const QPoint icon = w.frm->view()->mapFromScene(scene->RelaiOk[a]->pos()) + QPoint(5, 5);
    drag(w.vp(), {icon, icon + QPoint(60, 30)}, Qt::ControlModifier, Qt::ControlModifier);
    QTest::qWait(50);
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(300, 600));
    QCOMPARE(w.ctx.state.CarteX, 0);
    QCOMPARE(w.ctx.state.IndexBouton, 0);
    QVERIFY(modals.titles.isEmpty());
    QCOMPARE(iconRow(ws, a), QPointF(300, 600));
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
    const QPointF temps = scene->Temps[a]->pos();

    // Press 40 twips under FreqR's top, then bring its top to 2000: the upper
    // label's top is what is stored.
    drag(w.vp(), {QPoint(103, 116), QPoint(113, 136)}, Qt::ShiftModifier, Qt::ShiftModifier);
    QCOMPARE(labelRow(ws, a), QPointF(1650 * k, 1790 * k));
    QCOMPARE(scene->FreqE[a]->pos(), QPointF(1650 * k, 1790 * k));
    QCOMPARE(scene->FreqR[a]->pos(), scene->FreqE[a]->pos());
    QCOMPARE(w.frm->view()->mapFromScene(scene->FreqR[a]->pos()) + scene->FreqR[a]->offset().toPoint(),
             QPoint(110, 119 + 14));
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(300 * k, 300 * k));
    QCOMPARE(iconRow(ws, a), QPointF(300 * k, 300 * k));
    QCOMPARE(scene->Temps[a]->pos(), temps);  // the countdown waits for the next re-layout

    // Dragging the upper label takes the lower one along.
    drag(w.vp(), {QPoint(112, 121), QPoint(102, 111)}, Qt::ShiftModifier, Qt::ShiftModifier);
    QCOMPARE(labelRow(ws, a), QPointF(1500 * k, 1640 * k));
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
    const auto current = [&] { return QStringList{w.ctx.state.NomCourant, w.ctx.state.FreqCourante}; };

    // A right press without Shift opens nothing but notes the repeater.
    QTest::mouseClick(w.vp(), Qt::RightButton, {}, iconB);
    QTest::qWait(30);
    QVERIFY(modals.titles.isEmpty());
    QCOMPARE(current(), QStringList({"Bravo", "1255"}));
    QCOMPARE(w.ctx.state.IndexBouton, 0);
    // A plain left click opens the command window of that repeater.
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, iconA);
    QTRY_COMPARE(modals.titles, QStringList{QStringLiteral("Alpha 438.5")});
    QCOMPARE(w.ctx.state.IndexBouton, a);
    QCOMPARE(current(), QStringList({"Alpha", "438.5"}));
    // Shift + right opens its command table editor.
    QTest::mouseClick(w.vp(), Qt::RightButton, Qt::ShiftModifier, iconB);
    QTRY_COMPARE(modals.titles.size(), 2);
    QCOMPARE(modals.titles.last(), QStringLiteral("Paramètres Bravo1255"));
    QCOMPARE(w.ctx.state.IndexBouton, b);
    // The active icon in front answers the same way; a label has no click action.
    w.scene()->setActive(a, true);
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, iconA);
    QTRY_COMPARE(modals.titles.size(), 3);
    QCOMPARE(w.ctx.state.IndexBouton, a);
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, QPoint(202, 102));
    QTest::qWait(30);
    QCOMPARE(modals.titles.size(), 3);
}

PONTAVEL_TEST(tst_drag)
#include "tst_drag.moc"
