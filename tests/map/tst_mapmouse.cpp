// The map under the mouse on real working folders: zoom arithmetic, magnifier, zoom frame, pan,
// band buttons, choosing a repeater by clicking its icon, dragging it and its labels with Shift.

#include "testmain.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"
#include "map/zoomstate.h"
#include "testsupport.h"

#include <QGraphicsLineItem>
#include <QGraphicsRectItem>

#include <functional>

namespace {

using View = std::tuple<double, int, int>;  // coefficient, Left, Top

View stored(const TempWorkspace &ws)
{
    const Settings s = ws.storedSettings();
    return {s.coefZoom, s.carteX, s.carteY};
}

// Stored icon and label places of repeater i.
std::pair<QPointF, QPointF> places(const TempWorkspace &ws, int i)
{
    const Repeater r = ws.storedRepeaters()[i - 1];
    return {{r.posGauche, r.posHaut}, {r.libellePosGau, r.libellePosHaut}};
}

void drag(QWidget *vp, QPoint from, QPoint to, Qt::KeyboardModifiers mods, Qt::KeyboardModifiers atRelease)
{
    QTest::mousePress(vp, Qt::LeftButton, mods, from);
    moveWith(vp, (from + to) / 2, Qt::LeftButton, mods);
    moveWith(vp, to, Qt::LeftButton, mods);
    QTest::mouseRelease(vp, Qt::LeftButton, atRelease, to);
}

} // namespace

class tst_mapmouse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void arithmetic();
    void windowShowsAndStoresEachView();
    void clicksAndDrags_data();
    void clicksAndDrags();
};

void tst_mapmouse::arithmetic()
{
    constexpr double Min = MapInteraction::MinFrameTwips;
    const QList<std::tuple<const char *, View, std::function<bool(ZoomState &)>, bool, View>> cases{
        {"zoom all: whole part of 10.97, at 0, 480", {12, 120, 700}, [](ZoomState &z) { return z.zoomAll(15360, 14000); }, true, {10, 0, 480}},
        {"zoom all of a map wider than ten windows", {10, 0, 0}, [](ZoomState &z) { return z.zoomAll(1000, 20000); }, true, {1, 0, 480}},
        {"frame drawn backwards", {10, 0, 0}, [=](ZoomState &z) { return z.frame(3000, 1500, 1000, 500, 12000, Min); }, true, {60, -6000, -3000}},
        {"frame of zero width", {10, 30, 40}, [=](ZoomState &z) { return z.frame(1000, 1000, 1000, 3000, 12000, Min); }, false, {10, 30, 40}},
        {"frame narrower than a click", {10, 30, 40}, [=](ZoomState &z) { return z.frame(1000, 1000, 1045, 3000, 12000, Min); }, false, {10, 30, 40}},
        {"frame far wider than the window", {3, 0, 0}, [=](ZoomState &z) { return z.frame(0, 0, 500000, 10, 12000, Min); }, true, {1, 0, 0}},
        {"magnifier in and out on one screen point", {20, 0, 0}, [](ZoomState &z) { z.magnify(true, 2000, 0); return z.left() == -100 && z.magnify(false, 2000 - z.left(), 0); }, true, {20, 0, 0}},
        {"start value under 1", {0.4, 0, 0}, [](ZoomState &z) { return z.zoomOut() || z.magnify(false, 100, 100); }, false, {1, 0, 0}},
        {"previous right after start", {10, 100, 200}, [](ZoomState &z) { return z.previous(); }, true, {10, 100, 200}},
        {"previous after a pan comes back to it", {10, 100, 200}, [](ZoomState &z) { z.zoomIn(); z.moveTo(-500, -700); z.previous(); return z.previous(); }, true, {11, -500, -700}},
        {"zoom - at 1 keeps the previous view", {2, 0, 0}, [](ZoomState &z) { z.zoomOut(); return !z.zoomOut() && z.previous(); }, true, {2, 0, 0}},
    };
    for (const auto &[name, start, op, changed, after] : cases) {
        ZoomState z;
        z.load(std::get<0>(start), std::get<1>(start), std::get<2>(start));
        QVERIFY2(op(z) == changed && View(z.coef(), z.left(), z.top()) == after,
                 qPrintable(QStringLiteral("%1: %2 %3 %4").arg(name).arg(z.coef()).arg(z.left()).arg(z.top())));
    }
}

// Magnifier, zoom frame, pan and band buttons on one window: each view is shown, kept and stored at
// once; the stored places stay the scene's places and the beam follows the icons.
void tst_mapmouse::windowShowsAndStoresEachView()
{
    TempWorkspace ws;
    ws.makeMap(600, 400);  // 9000 twips
    const int a = ws.addRepeater("Alpha", "1", "438.5", 1500, 1500, 1500, 2000, "12");
    const int b = ws.addRepeater("Bravo", "2", "1255", 4500, 3000, 4500, 3500);
    ws.closeStore();
    Window w(800);  // 12000 twips
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *scene = w.scene();
    const auto views = [&] {
        const SharedState &s = w.ctx.state;
        return std::tuple(View(s.CoefZoom, s.CarteX, s.CarteY), stored(ws), w.frm->view()->mapFromScene(scene->activeIcon(a)->pos()),
                          scene->beamLines()[0]->line() == QLineF(scene->repeaterPoint(a), scene->repeaterPoint(b)));
    };
    const auto expected = [&](View v) {  // icon A at 1500, 1500 on the map
        const auto [coef, left, top] = v;
        return std::tuple(v, v, QPoint(left / 15 + int(coef) * 10, top / 15 + int(coef) * 10), true);
    };

    // Shift and the right button show the map point's coordinates.
    QTest::mouseClick(w.vp(), Qt::RightButton, Qt::ShiftModifier, QPoint(100, 50));
    QCOMPARE(scene->itemAt(QPointF(1500, 750), w.frm->view()->transform())->toolTip(), " 1500  750");
    // Magnifier: left zooms in whatever the keys, right out; the pressed map point stays put.
    QTest::mouseClick(w.button("CmdZoom"), Qt::LeftButton);
    const QList<std::tuple<Qt::MouseButton, Qt::KeyboardModifiers, View>> clicks{
        {Qt::LeftButton, Qt::ShiftModifier, {11, -150, -75}}, {Qt::LeftButton, {}, {12, -300, -150}},
        {Qt::RightButton, {}, {11, -150, -75}},               {Qt::RightButton, {}, {10, 0, 0}}};
    for (const auto &[button, mods, view] : clicks) {
        QTest::mouseClick(w.vp(), button, mods, QPoint(100, 50));
        QCOMPARE(views(), expected(view));
        QCOMPARE(w.frm->view()->viewportToMap(QPointF(100, 50)), QPointF(1500, 750));
    }
    QVERIFY(w.zoom->ModeLoupe() && w.frm->cursor().shape() == Qt::BitmapCursor);  // armed from click to click
    QTest::keyClick(w.button("CmdZoom"), Qt::Key_Escape);
    QVERIFY(!w.zoom->ModeLoupe() && w.frm->cursor().shape() == Qt::ArrowCursor);

    // Zoom frame: 12000 x 10 / 3000, the frame's corner to the view's origin; one frame ends the mode.
    QTest::mouseClick(w.button("CmdZoomFenetre"), Qt::LeftButton);
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, QPoint(100, 40));
    moveWith(w.vp(), QPoint(300, 90), Qt::LeftButton, {});
    QCOMPARE(scene->zoomFrame()->isVisible() ? scene->zoomFrame()->rect() : QRectF(), QRectF(1500, 600, 3000, 750));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, QPoint(300, 90));
    QCOMPARE(views(), expected({40, -6000, -2400}));
    QVERIFY(!scene->zoomFrame()->isVisible() && !w.zoom->ModeFenetre() && w.frm->cursor().shape() == Qt::ArrowCursor);
    drag(w.vp(), QPoint(10, 10), QPoint(60, 10), {}, {});
    QCOMPARE(views(), expected({40, -6000, -2400}));

    // Pan: Ctrl alone; the grabbed point stays under the pointer; stored at the release.
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(200, 200));
    QVERIFY(!w.zoom->DeplacementCarte());
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(200, 200));
    QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(200, 200));
    QVERIFY(w.zoom->DeplacementCarte());
    QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);  // the grabbing hand
    moveWith(w.vp(), QPoint(230, 210), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.frm->view()->mapLeft(), -6000);  // not with Shift as well
    moveWith(w.vp(), QPoint(250, 230), Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(std::pair(w.frm->view()->mapLeft(), stored(ws)), std::pair(-5250, View(40, -6000, -2400)));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(250, 230));
    QVERIFY(!w.zoom->DeplacementCarte());
    QCOMPARE(views(), expected({40, -5250, -1950}));
    // Ctrl let go before the button still keeps what is shown.
    drag(w.vp(), QPoint(200, 200), QPoint(190, 200), Qt::ControlModifier, {});
    QCOMPARE(views(), expected({40, -5400, -1950}));

    // Band buttons; a pan leaves the previous view alone, "Zoom Tout" fits the map's width.
    const QList<std::pair<QToolButton *, View>> steps{
        {w.button("CmdZoomPrec"), {10, 0, 0}}, {w.button("CmdZoomPlus"), {11, 0, 0}}, {w.button("CmdZoomMoins"), {10, 0, 0}},
        {w.button("CmdZoomMoins"), {9, 0, 0}}, {w.button("CmdZoomPrec"), {10, 0, 0}}, {w.button("CmdZoomTout"), {13, 0, 480}},
        {w.button("CmdZoomPrec"), {10, 0, 0}}};
    for (const auto &[button, view] : steps) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(views(), expected(view));
        QCOMPARE(scene->activeIcon(a)->pos(), QPointF(1500, 1500));
    }

    // The wheel: a notch in and one out around the pointer, as the magnifier; "+" and "-" as the band.
    for (const auto &[notch, view] : {std::pair(120, View(11, -150, -75)), std::pair(-120, View(10, 0, 0))}) {
        QWheelEvent e(QPointF(100, 50), w.vp()->mapToGlobal(QPointF(100, 50)), {}, QPoint(0, notch), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.vp(), &e);
        QCOMPARE(views(), expected(view));
        const QPointF under = w.frm->view()->mapToViewport(QPointF(1500, 750));
        QVERIFY(std::abs(under.x() - 100) <= 1 && std::abs(under.y() - 50) <= 1);
    }
    w.frm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.frm.get()));
    QTest::keyClick(w.frm.get(), Qt::Key_Plus);
    QCOMPARE(views(), expected({11, 0, 0}));
    QTest::keyClick(w.frm.get(), Qt::Key_Minus);
    QCOMPARE(views(), expected({10, 0, 0}));
}

void tst_mapmouse::clicksAndDrags_data()
{
    QTest::addColumn<double>("coef");
    QTest::newRow("5") << 5.0;
    QTest::newRow("10") << 10.0;
    QTest::newRow("20") << 20.0;
}

// On screen, whatever the zoom: icon A at 300, 600 twips (20, 40 pixels),
// B at 6000, 6000; A's name label at 1500, 1490 with the frequency 210 lower.
void tst_mapmouse::clicksAndDrags()
{
    QFETCH(double, coef);
    const double k = 10.0 / coef;
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300 * k, 600 * k, 1500 * k, 1490 * k, "12");
    const int b = ws.addRepeater("Bravo", "2", "1255", 6000 * k, 6000 * k, 7500 * k, 7500 * k);
    ws.setParam("CoefZoom", coef);
    ws.closeStore();
    const QPointF icon(1500 * k, 900 * k);  // where A is dropped: 1500, 900 on screen
    {
        Window w(900, 650);
        QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
        MapScene *s = w.scene();
        ModalAnswer modals(QMessageBox::Cancel, ModalAnswer::Every);
        const QPoint iconA(25, 45), iconB(405, 405);
        const auto chosen = [&] { return std::tuple(w.ctx.state.IndexBouton(), w.ctx.state.NomCourant, modals.titles); };
        // A right press without Shift opens nothing but notes the repeater.
        QTest::mouseClick(w.vp(), Qt::RightButton, {}, iconB);
        QTest::qWait(30);
        QCOMPARE(chosen(), std::tuple(0, QString("Bravo"), QStringList()));
        // A plain left click opens the command window, Shift + right the command table editor.
        QTest::mouseClick(w.vp(), Qt::LeftButton, {}, iconA);
        QTRY_COMPARE(chosen(), std::tuple(a, QString("Alpha"), QStringList{"Alpha 438.5"}));
        QTest::mouseClick(w.vp(), Qt::RightButton, Qt::ShiftModifier, iconB);
        QTRY_COMPARE(chosen(), std::tuple(b, QString("Bravo"), QStringList{"Alpha 438.5", "Paramètres Bravo1255"}));
        // The active icon in front answers the same way; a label has no click action.
        s->setActive(a, true);
        QTest::mouseClick(w.vp(), Qt::LeftButton, {}, iconA);
        QTRY_COMPARE(modals.titles.size(), 3);
        QTest::mouseClick(w.vp(), Qt::LeftButton, {}, QPoint(102, 102));
        QTest::qWait(30);
        QCOMPARE(std::pair(w.ctx.state.IndexBouton(), int(modals.titles.size())), std::pair(a, 3));

        const QPointF temps = s->countdownLabel(a)->pos();
        QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, iconA);
        QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);
        moveWith(w.vp(), QPoint(60, 50), Qt::LeftButton, Qt::ShiftModifier);
        moveWith(w.vp(), QPoint(105, 65), Qt::LeftButton, Qt::ShiftModifier);
        // Both icons move and the beam follows while dragging; nothing is stored yet.
        QCOMPARE(std::pair(s->activeIcon(a)->pos(), s->idleIcon(a)->pos()), std::pair(icon, icon));
        QCOMPARE(s->beamLines()[0]->line(), QLineF(s->repeaterPoint(a), s->repeaterPoint(b)));
        QCOMPARE(places(ws, a).first, QPointF(300 * k, 600 * k));
        QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(105, 65));
        QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(places(ws, a), std::pair(icon, QPointF(1500 * k, 1490 * k)));

        // Pressed 40 twips under the frequency's top, which comes to 2000: the
        // name's top is what is stored, and both labels stand on it.
        drag(w.vp(), QPoint(103, 116), QPoint(113, 136), Qt::ShiftModifier, Qt::ShiftModifier);
        QCOMPARE(places(ws, a), std::pair(icon, QPointF(1650 * k, 1790 * k)));
        QCOMPARE(std::pair(s->nameLabel(a)->pos(), s->frequencyLabel(a)->pos()), std::pair(places(ws, a).second, places(ws, a).second));
        QCOMPARE(w.frm->view()->mapFromScene(s->frequencyLabel(a)->pos()) + s->frequencyLabel(a)->offset().toPoint(), QPoint(110, 133));
        QCOMPARE(s->countdownLabel(a)->pos(), temps);  // the countdown waits for the next re-layout
        drag(w.vp(), QPoint(112, 121), QPoint(102, 111), Qt::ShiftModifier, Qt::ShiftModifier);
        QCOMPARE(places(ws, a).second, QPointF(1500 * k, 1640 * k));
        QCOMPARE(s->frequencyLabel(a)->pos(), s->nameLabel(a)->pos());

        // Shift let go before the button: left where it was dropped, not
        // stored, until the next re-layout puts it back.
        drag(w.vp(), QPoint(105, 65), QPoint(205, 65), Qt::ShiftModifier, {});
        QCOMPARE(s->activeIcon(a)->pos(), QPointF(3000 * k, 900 * k));
        QTest::mouseClick(w.button("CmdZoomPlus"), Qt::LeftButton);
        QCOMPARE(s->activeIcon(a)->pos(), icon);
        QCOMPARE(s->countdownLabel(a)->pos(), QPointF(1500 * k, 1640 * k));
        // A Ctrl drag on an icon does nothing: no move, no pan, no window.
        const QPoint at = w.frm->view()->mapFromScene(icon) + QPoint(5, 5);
        drag(w.vp(), at, at + QPoint(60, 30), Qt::ControlModifier, Qt::ControlModifier);
        QTest::qWait(50);
        QCOMPARE(s->activeIcon(a)->pos(), icon);
        QCOMPARE(std::pair(w.ctx.state.CarteX, int(modals.titles.size())), std::pair(0, 3));
    }
    QCOMPARE(places(ws, a), std::pair(icon, QPointF(1500 * k, 1640 * k)));
    QCOMPARE(places(ws, b), std::pair(QPointF(6000 * k, 6000 * k), QPointF(7500 * k, 7500 * k)));
    // The next start shows them where they were dropped.
    Window again(900, 650);
    QCOMPARE(again.scene()->activeIcon(a)->pos(), icon);
    QCOMPARE(again.scene()->frequencyLabel(a)->pos(), QPointF(1500 * k, 1640 * k));
    QCOMPARE(again.scene()->beamLines()[0]->line().p1(), again.scene()->repeaterPoint(a));
}

PONTAVEL_TEST(tst_mapmouse)
#include "tst_mapmouse.moc"
