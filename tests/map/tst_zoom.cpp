// Zoom and pan of the map: the arithmetic, then the window driven with the
// mouse and the band buttons on real working folders.

#include "testmain.h"
#include "core/convert.h"
#include "map/repeatericon.h"
#include "map/zoomstate.h"
#include "testsupport.h"

#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QToolButton>

#include <functional>

namespace {

using View = std::tuple<double, int, int>;  // coefficient, Left, Top

View stored(const TempWorkspace &ws)
{
    const Settings s = ws.storedSettings();
    return {s.coefZoom, s.carteX, s.carteY};
}

View shown(const Window &w)
{
    return {w.ctx.state.CoefZoom, w.ctx.state.CarteX, w.ctx.state.CarteY};
}

} // namespace

class tst_zoom : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void arithmetic();
    void bandButtonsSaveEachView();
    void magnifierKeepsThePressedPoint();
    void zoomFrameWithTheMouse();
    void ctrlDragPans();
};

void tst_zoom::arithmetic()
{
    constexpr double Min = MapInteraction::MinFrameTwips;
    const struct {
        const char *name;
        View start;
        std::function<bool(ZoomState &)> op;
        bool changed;
        View after;
    } cases[] = {
        {"zoom all: whole part of 10.97, at 0, 480", {12, 120, 700}, [](ZoomState &z) { return z.zoomAll(15360, 14000); }, true, {10, 0, 480}},
        {"zoom all then previous", {12, 120, 700}, [](ZoomState &z) { z.zoomAll(15360, 14000); return z.previous(); }, true, {12, 120, 700}},
        {"zoom all of a map wider than ten windows", {10, 0, 0}, [](ZoomState &z) { return z.zoomAll(1000, 20000); }, true, {1, 0, 480}},
        {"frame corner to the origin", {10, 0, 0}, [=](ZoomState &z) { return z.frame(1000, 500, 3000, 1500, 12000, Min); }, true, {60, -6000, -3000}},
        {"frame drawn backwards", {10, 0, 0}, [=](ZoomState &z) { return z.frame(3000, 1500, 1000, 500, 12000, Min); }, true, {60, -6000, -3000}},
        {"frame of zero width", {10, 30, 40}, [=](ZoomState &z) { return z.frame(1000, 1000, 1000, 3000, 12000, Min); }, false, {10, 30, 40}},
        {"frame narrower than a click", {10, 30, 40}, [=](ZoomState &z) { return z.frame(1000, 1000, 1045, 3000, 12000, Min); }, false, {10, 30, 40}},
        {"frame far wider than the window", {3, 0, 0}, [=](ZoomState &z) { return z.frame(0, 0, 500000, 10, 12000, Min); }, true, {1, 0, 0}},
        {"magnifier at 10 moves a tenth", {10, 0, 0}, [](ZoomState &z) { return z.magnify(true, 1000, 500); }, true, {11, -100, -50}},
        {"magnifier in and out on one screen point", {20, 0, 0}, [](ZoomState &z) { z.magnify(true, 2000, 0); return z.left() == -100 && z.magnify(false, 2000 - z.left(), 0); }, true, {20, 0, 0}},
        {"start value under 1", {0.4, 0, 0}, [](ZoomState &z) { return z.zoomOut() || z.magnify(false, 100, 100); }, false, {1, 0, 0}},
        {"previous right after start", {10, 100, 200}, [](ZoomState &z) { return z.previous(); }, true, {10, 100, 200}},
        {"previous swaps, not a stack", {10, 100, 200}, [](ZoomState &z) { z.zoomIn(); z.zoomIn(); z.previous(); return z.previous(); }, true, {12, 100, 200}},
        {"a pan keeps the previous view", {10, 100, 200}, [](ZoomState &z) { z.zoomIn(); z.zoomIn(); z.moveTo(-500, -700); return z.previous(); }, true, {11, 100, 200}},
        {"previous after a pan comes back to it", {10, 100, 200}, [](ZoomState &z) { z.zoomIn(); z.moveTo(-500, -700); z.previous(); return z.previous(); }, true, {11, -500, -700}},
        {"zoom - at 1 keeps the previous view", {2, 0, 0}, [](ZoomState &z) { z.zoomOut(); return !z.zoomOut() && z.previous(); }, true, {2, 0, 0}},
    };
    for (const auto &c : cases) {
        ZoomState z;
        z.load(std::get<0>(c.start), std::get<1>(c.start), std::get<2>(c.start));
        const bool changed = c.op(z);
        QVERIFY2(changed == c.changed && View(z.coef(), z.left(), z.top()) == c.after,
                 qPrintable(QStringLiteral("%1: %2 %3 %4").arg(c.name).arg(z.coef()).arg(z.left()).arg(z.top())));
    }
}

// Each button's view is shown, kept in the shared state and stored at once.
void tst_zoom::bandButtonsSaveEachView()
{
    TempWorkspace ws;
    ws.makeMap(933, 300);  // 13995 twips
    const int a = ws.addRepeater("Alpha", "1", "438.5", 1500, 1500, 1500, 2000, "12");
    ws.addRepeater("Bravo", "2", "1255", 4500, 3000, 4500, 3500);
    ws.setParam("CoefZoom", 14);
    ws.setParam("CarteX", -900);
    ws.setParam("CarteY", 60);
    ws.closeStore();
    Window w(1024);  // 15360 twips
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.scene();
    const QList<std::pair<QToolButton *, View>> steps{
        {w.frm->CmdZoomPlus, {15, -900, 60}},  {w.frm->CmdZoomMoins, {14, -900, 60}},
        {w.frm->CmdZoomMoins, {13, -900, 60}}, {w.frm->CmdZoomPrec, {14, -900, 60}},
        {w.frm->CmdZoomPrec, {13, -900, 60}},  {w.frm->CmdZoomTout, {10, 0, 480}},
        {w.frm->CmdZoomPrec, {13, -900, 60}},
    };
    for (const auto &[button, view] : steps) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(shown(w), view);
        QCOMPARE(stored(ws), view);
        // The view scales; the stored places stay the scene's places, the beam follows.
        const double k = std::get<0>(view) / 10.0 / TwipsPerPixel;
        QCOMPARE(scene->RelaiOk[a]->pos(), QPointF(1500, 1500));
        QCOMPARE(QPointF(w.frm->view()->mapFromScene(QPointF(1500, 1500))),
                 QPointF(std::get<1>(view) / TwipsPerPixel + 1500 * k, std::get<2>(view) / TwipsPerPixel + 1500 * k));
        QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));
    }
}

void tst_zoom::magnifierKeepsThePressedPoint()
{
    TempWorkspace ws;
    ws.makeMap(600, 400);
    ws.closeStore();
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    QTest::mouseClick(w.frm->CmdZoom, Qt::LeftButton);
    // Left zooms in whatever the keys, right zooms out; the map point stays put.
    const QList<std::tuple<Qt::MouseButton, Qt::KeyboardModifiers, View>> clicks{
        {Qt::LeftButton, Qt::ShiftModifier, {11, -150, -75}},
        {Qt::LeftButton, {}, {12, -300, -150}},
        {Qt::RightButton, {}, {11, -150, -75}},
        {Qt::RightButton, {}, {10, 0, 0}},
    };
    for (const auto &[button, mods, view] : clicks) {
        QTest::mouseClick(w.vp(), button, mods, QPoint(100, 50));
        QCOMPARE(shown(w), view);
        QCOMPARE(stored(ws), view);
        QCOMPARE(w.frm->view()->viewportToMap(QPointF(100, 50)), QPointF(1500, 750));
    }
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
    MapScene *scene = w.scene();
    QTest::mouseClick(w.frm->CmdZoomFenetre, Qt::LeftButton);
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, QPoint(100, 40));
    moveWith(w.vp(), QPoint(300, 90), Qt::LeftButton, {});
    QCOMPARE(scene->cadre()->isVisible() ? scene->cadre()->rect() : QRectF(), QRectF(1500, 600, 3000, 750));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, QPoint(300, 90));
    // 12000 x 10 / 3000; the frame's corner comes to the view's origin.
    QCOMPARE(shown(w), View(40, -6000, -2400));
    QCOMPARE(stored(ws), View(40, -6000, -2400));
    QCOMPARE(w.frm->view()->mapToViewport(QPointF(1500, 600)), QPointF(0, 0));
    QCOMPARE(scene->Ligne[0]->line().p1(), scene->repeaterPoint(a));
    QVERIFY(!scene->cadre()->isVisible() && !w.zoom->ModeFenetre());
    QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);
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
    const auto drag = [&](QPoint to, Qt::KeyboardModifiers mods, Qt::KeyboardModifiers atRelease) {
        QTest::mousePress(w.vp(), Qt::LeftButton, mods, QPoint(200, 200));
        moveWith(w.vp(), (QPoint(200, 200) + to) / 2, Qt::LeftButton, mods);
        moveWith(w.vp(), to, Qt::LeftButton, mods);
        QTest::mouseRelease(w.vp(), Qt::LeftButton, atRelease, to);
    };
    // Neither a plain nor a Ctrl + Shift drag moves the map.
    drag(QPoint(250, 230), {}, {});
    drag(QPoint(250, 230), Qt::ControlModifier | Qt::ShiftModifier, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(shown(w), View(11, 300, 150));

    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(200, 200));
    QVERIFY(w.zoom->DeplacementCarte());
    QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);  // the grabbing hand
    moveWith(w.vp(), QPoint(230, 210), Qt::LeftButton, Qt::ControlModifier);
    // The grabbed point stays under the pointer; stored at the release only.
    QCOMPARE(w.frm->view()->carteX(), 300 + 450);
    QCOMPARE(stored(ws), View(11, 300, 150));
    moveWith(w.vp(), QPoint(250, 230), Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(250, 230));
    QVERIFY(!w.zoom->DeplacementCarte());
    QCOMPARE(shown(w), View(11, 1050, 600));
    QCOMPARE(stored(ws), View(11, 1050, 600));

    // Ctrl let go before the button still keeps what is shown.
    drag(QPoint(190, 200), Qt::ControlModifier, {});
    QVERIFY(!w.zoom->DeplacementCarte());
    QCOMPARE(stored(ws), View(11, 900, 600));

    // The pan did not change the previous view.
    QTest::mouseClick(w.frm->CmdZoomPrec, Qt::LeftButton);
    QCOMPARE(stored(ws), View(10, 300, 150));
}

PONTAVEL_TEST(tst_zoom)
#include "tst_zoom.moc"
