// Zoom and pan of the map: the arithmetic, then the window driven with the
// mouse and the band buttons on real working folders.

#include "testmain.h"
#include "map/repeatericon.h"
#include "map/zoomstate.h"
#include "testsupport.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QPushButton>
#include <QToolButton>


namespace {

void drag(QWidget *w, QPoint from, QPoint to, Qt::KeyboardModifiers mods)
{
    QTest::mousePress(w, Qt::LeftButton, mods, from);
    moveWith(w, (from + to) / 2, Qt::LeftButton, mods);
    moveWith(w, to, Qt::LeftButton, mods);
    QTest::mouseRelease(w, Qt::LeftButton, mods, to);
}

} // namespace

class tst_zoom : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void arithmeticExamples();
    void degenerateFramesKeepCoefficientAtLeastOne();
    void previousViewIsOneLevel();

    void buttonsZoomAndSaveEachStep();
    void zoomToutFitsTheWindowWidth();
    void magnifierKeepsThePressedPoint();
    void zoomFrameWithTheMouse();
    void ctrlDragPans();
    void largeMapLoadsAndZooms();
};

void tst_zoom::arithmeticExamples()
{
    ZoomState z;
    z.load(12, 120, 700);
    QVERIFY(z.zoomAll(15360, 14000));
    QCOMPARE(z.coef(), 10.0);  // whole part of 10.97
    QCOMPARE(z.left(), 0);
    QCOMPARE(z.top(), 480);
    QCOMPARE(z.coefPrec(), 12);
    QCOMPARE(z.leftPrec(), 120);
    QCOMPARE(z.topPrec(), 700);

    z.load(10, 0, 0);
    QVERIFY(z.frame(1000, 500, 3000, 1500, 12000, MapInteraction::MinFrameTwips));
    QCOMPARE(z.coef(), 60.0);
    // The frame's corner (1000, 500 at 10) is at 6000, 3000 at 60.
    QCOMPARE(z.left(), -6000);
    QCOMPARE(z.top(), -3000);

    // The magnifier at 10 moves by a tenth of the pressed point, and keeps the
    // pressed point under the pointer at any coefficient.
    z.load(10, 0, 0);
    z.magnify(true, 1000, 500);
    QCOMPARE(z.coef(), 11.0);
    QCOMPARE(z.left(), -100);
    QCOMPARE(z.top(), -50);
    z.load(20, 0, 0);
    z.magnify(true, 2000, 0);
    QCOMPARE(z.left() + 1000 * 21 / 10, 2000);
    z.magnify(false, 2000 - z.left(), 0);  // the same screen point
    QCOMPARE(z.coef(), 20.0);
    QCOMPARE(z.left(), 0);
}

void tst_zoom::degenerateFramesKeepCoefficientAtLeastOne()
{
    ZoomState z;
    // Zero width: nothing happens at all.
    z.load(10, 30, 40);
    QVERIFY(!z.frame(1000, 1000, 1000, 3000, 12000, MapInteraction::MinFrameTwips));
    QCOMPARE(z.coef(), 10.0);
    QCOMPARE(z.left(), 30);
    QCOMPARE(z.coefPrec(), 10);
    // Under a few pixels: taken for a click.
    QVERIFY(!z.frame(1000, 1000, 1045, 3000, 12000, MapInteraction::MinFrameTwips));
    QCOMPARE(z.coef(), 10.0);
    // Released left of and above the press point: the same frame as drawn the other way.
    QVERIFY(z.frame(3000, 1500, 1000, 500, 12000, MapInteraction::MinFrameTwips));
    QCOMPARE(z.coef(), 60.0);
    QCOMPARE(z.left(), -6000);
    QCOMPARE(z.top(), -3000);
    // Far wider than the window: the whole part is 0, the floor is 1.
    z.load(3, 0, 0);
    QVERIFY(z.frame(0, 0, 500000, 10, 12000, MapInteraction::MinFrameTwips));
    QCOMPARE(z.coef(), 1.0);
    // A map far wider than ten windows.
    z.load(10, 0, 0);
    z.zoomAll(1000, 20000);
    QCOMPARE(z.coef(), 1.0);
    // A start-up value under 1.
    z.load(0.4, 0, 0);
    QCOMPARE(z.coef(), 1.0);
    QCOMPARE(z.coefPrec(), 1);
    QVERIFY(!z.zoomOut());
    QVERIFY(!z.magnify(false, 100, 100));
    QCOMPARE(z.coef(), 1.0);
}

void tst_zoom::previousViewIsOneLevel()
{
    ZoomState z;
    z.load(10, 100, 200);
    QVERIFY(z.previous());  // right after start: the same view
    QCOMPARE(z.coef(), 10.0);
    QCOMPARE(z.left(), 100);
    z.zoomIn();
    z.zoomIn();
    QCOMPARE(z.coef(), 12.0);
    z.previous();
    QCOMPARE(z.coef(), 11.0);
    z.previous();
    QCOMPARE(z.coef(), 12.0);  // swapped, not a stack
    // A pan keeps the previous view of the last zoom.
    z.moveTo(-500, -700);
    z.previous();
    QCOMPARE(z.coef(), 11.0);
    QCOMPARE(z.left(), 100);
    QCOMPARE(z.top(), 200);
    z.previous();
    QCOMPARE(z.coef(), 12.0);
    QCOMPARE(z.left(), -500);
    QCOMPARE(z.top(), -700);
    // At 1, "Zoom -" leaves the previous view as it was.
    z.load(2, 0, 0);
    z.zoomOut();
    QCOMPARE(z.coefPrec(), 2);
    QVERIFY(!z.zoomOut());
    QCOMPARE(z.coefPrec(), 2);
}

void tst_zoom::buttonsZoomAndSaveEachStep()
{
    TempWorkspace ws;
    ws.makeMap(600, 400);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 1500, 1500, 1500, 2000, "12");
    ws.addRepeater("Bravo", "2", "1255", 4500, 3000, 4500, 3500);
    ws.setParam("CarteX", 150);
    ws.setParam("CarteY", 300);
    ws.closeStore();
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.frm->scene();
    const QPointF iconAt10 = w.frm->view()->mapFromScene(scene->RelaiOk[a]->pos());
    QCOMPARE(iconAt10, QPointF((150 + 1500) / 15.0, (300 + 1500) / 15.0));

    QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);
    QCOMPARE(w.ctx.state.CoefZoom, 11.0);
    Settings s = ws.storedSettings();
    QCOMPARE(s.coefZoom, 11.0);
    QCOMPARE(s.carteX, 150);
    QCOMPARE(s.carteY, 300);
    // The view scales; the stored places stay the scene's places.
    QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(1500, 1500));
    QCOMPARE(w.frm->view()->mapFromScene(scene->RelaiOk[a]->pos()),
             QPointF((150 + 1650) / 15.0, (300 + 1650) / 15.0));
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));

    QTest::mouseClick(w.frm->CmdZoomMoins, Qt::LeftButton);
    QTest::mouseClick(w.frm->CmdZoomMoins, Qt::LeftButton);
    QCOMPARE(ws.storedSettings().coefZoom, 9.0);
    QTest::mouseClick(w.frm->CmdZoomPrec, Qt::LeftButton);
    QCOMPARE(ws.storedSettings().coefZoom, 10.0);
    QTest::mouseClick(w.frm->CmdZoomPrec, Qt::LeftButton);
    QCOMPARE(ws.storedSettings().coefZoom, 9.0);
}

void tst_zoom::zoomToutFitsTheWindowWidth()
{
    TempWorkspace ws;
    ws.makeMap(933, 300);  // 13995 twips
    ws.setParam("CoefZoom", 14);
    ws.setParam("CarteX", -900);
    ws.setParam("CarteY", 60);
    ws.closeStore();
    Window w(1024);  // 15360 twips
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    QCOMPARE(w.zoom->windowWidthTwips(), 15360.0);
    QTest::mouseClick(w.frm->CmdZoomTout, Qt::LeftButton);
    QCOMPARE(w.ctx.state.CoefZoom, 10.0);
    QCOMPARE(w.ctx.state.CarteX, 0);
    QCOMPARE(w.ctx.state.CarteY, 480);
    QCOMPARE(w.frm->view()->mapToViewport(QPointF(0, 0)), QPointF(0, 32));
    const Settings s = ws.storedSettings();
    QCOMPARE(s.coefZoom, 10.0);
    QCOMPARE(s.carteX, 0);
    QCOMPARE(s.carteY, 480);
    QTest::mouseClick(w.frm->CmdZoomPrec, Qt::LeftButton);
    QCOMPARE(ws.storedSettings().coefZoom, 14.0);
    QCOMPARE(ws.storedSettings().carteX, -900);
    QCOMPARE(ws.storedSettings().carteY, 60);
}

void tst_zoom::magnifierKeepsThePressedPoint()
{
    TempWorkspace ws;
    ws.makeMap(600, 400);
    ws.closeStore();
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapView *view = w.frm->view();
    QTest::mouseClick(w.frm->CmdZoom, Qt::LeftButton);
    // Any shift state zooms in.
    QTest::mouseClick(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 50));
    QCOMPARE(w.ctx.state.CoefZoom, 11.0);
    QCOMPARE(w.ctx.state.CarteX, -150);
    QCOMPARE(w.ctx.state.CarteY, -75);
    QCOMPARE(view->viewportToMap(QPointF(100, 50)), QPointF(1500, 750));
    QCOMPARE(ws.storedSettings().carteX, -150);
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, QPoint(100, 50));
    QCOMPARE(w.ctx.state.CoefZoom, 12.0);
    QCOMPARE(view->viewportToMap(QPointF(100, 50)), QPointF(1500, 750));
    QTest::mouseClick(w.vp(), Qt::RightButton, {}, QPoint(100, 50));
    QTest::mouseClick(w.vp(), Qt::RightButton, {}, QPoint(100, 50));
    QCOMPARE(w.ctx.state.CoefZoom, 10.0);
    QCOMPARE(w.ctx.state.CarteX, 0);
    QCOMPARE(w.ctx.state.CarteY, 0);
    const Settings s = ws.storedSettings();
    QCOMPARE(s.coefZoom, 10.0);
    QCOMPARE(s.carteY, 0);
    QVERIFY(w.zoom->ModeLoupe());  // armed from click to click
    QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);
}

void tst_zoom::zoomFrameWithTheMouse()
{
    TempWorkspace ws;
    ws.makeMap(600, 400);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 3000, 1500, 3000, 2000, "12");
    ws.addRepeater("Bravo", "2", "1255", 6000, 3000, 6000, 3500);
    ws.closeStore();
    Window w(800);  // 12000 twips
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    QCOMPARE(w.zoom->windowWidthTwips(), 12000.0);
    MapScene *scene = w.frm->scene();
    QTest::mouseClick(w.frm->CmdZoomFenetre, Qt::LeftButton);
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, QPoint(100, 40));
    QVERIFY(scene->cadre()->isVisible());
    moveWith(w.vp(), QPoint(300, 90), Qt::LeftButton, {});
    QCOMPARE(scene->cadre()->rect(), QRectF(1500, 600, 3000, 750));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, QPoint(300, 90));
    // 12000 x 10 / 3000
    QCOMPARE(w.ctx.state.CoefZoom, 40.0);
    QCOMPARE(w.ctx.state.CarteX, -6000);
    QCOMPARE(w.ctx.state.CarteY, -2400);
    QVERIFY(!scene->cadre()->isVisible());
    QVERIFY(!w.zoom->ModeFenetre());
    QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);
    // The frame's corner is at the view's origin and the beams follow.
    QCOMPARE(w.frm->view()->mapToViewport(QPointF(1500, 600)), QPointF(0, 0));
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));
    const Settings s = ws.storedSettings();
    QCOMPARE(s.coefZoom, 40.0);
    QCOMPARE(s.carteX, -6000);
    QCOMPARE(s.carteY, -2400);
    // One frame ends the mode: the next press does not start another.
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!scene->cadre()->isVisible());
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, QPoint(60, 10));
    QCOMPARE(w.ctx.state.CoefZoom, 40.0);
}

void tst_zoom::ctrlDragPans()
{
    TempWorkspace ws;
    ws.makeMap(600, 400);
    ws.setParam("CarteX", 300);
    ws.setParam("CarteY", 150);
    ws.closeStore();
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);  // previous view: 10 at 300, 150

    // Neither a plain nor a Ctrl + Shift drag moves the map.
    drag(w.vp(), QPoint(200, 200), QPoint(250, 230), {});
    drag(w.vp(), QPoint(200, 200), QPoint(250, 230), Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.ctx.state.CarteX, 300);
    QCOMPARE(w.ctx.state.CarteY, 150);

    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(200, 200));
    QVERIFY(w.zoom->DeplacementCarte());
    QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(w.zoom->customCursor().hotSpot(), QPoint(16, 14));  // the grabbing hand
    moveWith(w.vp(), QPoint(230, 210), Qt::LeftButton, Qt::ControlModifier);
    // The grabbed point stays under the pointer.
    QCOMPARE(w.frm->view()->carteX(), 300 + 450);
    moveWith(w.vp(), QPoint(250, 230), Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(ws.storedSettings().carteX, 300);  // saved at the release
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(250, 230));
    QVERIFY(!w.zoom->DeplacementCarte());
    QCOMPARE(w.ctx.state.CarteX, 300 + 750);
    QCOMPARE(w.ctx.state.CarteY, 150 + 450);
    QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);
    Settings s = ws.storedSettings();
    QCOMPARE(s.carteX, 1050);
    QCOMPARE(s.carteY, 600);
    QCOMPARE(s.coefZoom, 11.0);

    // A pan whose Ctrl is let go before the button still keeps what is shown.
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(200, 200));
    moveWith(w.vp(), QPoint(190, 200), Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, QPoint(190, 200));
    QVERIFY(!w.zoom->DeplacementCarte());
    QCOMPARE(ws.storedSettings().carteX, 1050 - 150);

    // The pan did not change the previous view.
    QTest::mouseClick(w.frm->CmdZoomPrec, Qt::LeftButton);
    s = ws.storedSettings();
    QCOMPARE(s.coefZoom, 10.0);
    QCOMPARE(s.carteX, 300);
    QCOMPARE(s.carteY, 150);
}

void tst_zoom::largeMapLoadsAndZooms()
{
    // 6000 x 6000 pixels decode to 144 MB, past Qt's default image limit.
    TempWorkspace ws;
    ws.makeMap(6000, 6000);
    ws.closeStore();
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    QVERIFY2(w.frm->scene()->hasMapPicture(), qPrintable(w.frm->loadMessages().join(' ')));
    QCOMPARE(w.frm->scene()->LargeurPlan(), 90000.0);
    QTest::mouseClick(w.frm->CmdZoomTout, Qt::LeftButton);
    QCOMPARE(w.ctx.state.CoefZoom, 1.0);  // whole part of 1.33
    QCOMPARE(ws.storedSettings().coefZoom, 1.0);
}

PONTAVEL_TEST(tst_zoom)
#include "tst_zoom.moc"
