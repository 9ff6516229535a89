// Dragging repeaters and their labels with Shift, and choosing a repeater by
// clicking its icon, driven with the mouse on the map of a real working folder.

#include "testmain.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"
#include "testsupport.h"

#include <QGraphicsLineItem>
#include <QToolButton>

namespace {

// Press at `from`, move halfway and on to `to`, release there.
void drag(QWidget *vp, QPoint from, QPoint to, Qt::KeyboardModifiers mods, Qt::KeyboardModifiers atRelease)
{
    QTest::mousePress(vp, Qt::LeftButton, mods, from);
    moveWith(vp, (from + to) / 2, Qt::LeftButton, mods);
    moveWith(vp, to, Qt::LeftButton, mods);
    QTest::mouseRelease(vp, Qt::LeftButton, atRelease, to);
}

// Stored icon and label places of repeater i.
std::pair<QPointF, QPointF> stored(const TempWorkspace &ws, int i)
{
    const Repeater r = ws.storedRepeaters()[i - 1];
    return {{r.posGauche, r.posHaut}, {r.libellePosGau, r.libellePosHaut}};
}

} // namespace

class tst_drag : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void dragsStoreTheNaturalPosition_data();
    void dragsStoreTheNaturalPosition();
    void clicksAndDropsWithoutShift();
};

void tst_drag::dragsStoreTheNaturalPosition_data()
{
    QTest::addColumn<double>("coef");
    QTest::newRow("5") << 5.0;
    QTest::newRow("10") << 10.0;
    QTest::newRow("20") << 20.0;
}

// On screen, whatever the zoom: icon A at 300, 600 twips (20, 40 pixels)
// dropped at 1500, 900; its name label at 1500, 1490 with the frequency 210
// lower, brought to 1650, 1790 by the frequency label, then back by the name.
void tst_drag::dragsStoreTheNaturalPosition()
{
    QFETCH(double, coef);
    const double k = 10.0 / coef;
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300 * k, 600 * k, 1500 * k, 1490 * k, "12");
    const int b = ws.addRepeater("Bravo", "2", "1255", 6000 * k, 6000 * k, 7500 * k, 7500 * k);
    ws.setParam("CoefZoom", coef);
    ws.closeStore();
    const QPointF icon(1500 * k, 900 * k);
    {
        Window w(900, 650);
        QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
        MapScene *s = w.scene();
        QCOMPARE(w.frm->view()->mapFromScene(s->RelaiKo[a]->pos()), QPoint(20, 40));
        const QPointF temps = s->Temps[a]->pos();
        QTest::mousePress(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(25, 45));
        QCOMPARE(w.frm->cursor().shape(), Qt::BitmapCursor);
        moveWith(w.vp(), QPoint(60, 50), Qt::LeftButton, Qt::ShiftModifier);
        moveWith(w.vp(), QPoint(105, 65), Qt::LeftButton, Qt::ShiftModifier);
        // Both icons move and the beam follows while dragging; nothing is stored yet.
        QCOMPARE(std::pair(s->RelaiOk[a]->pos(), s->RelaiKo[a]->pos()), std::pair(icon, icon));
        QCOMPARE(s->Ligne[0]->line(), QLineF(s->repeaterPoint(a), s->repeaterPoint(b)));
        QCOMPARE(stored(ws, a).first, QPointF(300 * k, 600 * k));
        QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ShiftModifier, QPoint(105, 65));
        QCOMPARE(w.frm->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(stored(ws, a), std::pair(icon, QPointF(1500 * k, 1490 * k)));

        // Pressed 40 twips under the frequency's top, which comes to 2000: the
        // name's top is what is stored, and both labels stand on it.
        drag(w.vp(), QPoint(103, 116), QPoint(113, 136), Qt::ShiftModifier, Qt::ShiftModifier);
        QCOMPARE(stored(ws, a), std::pair(icon, QPointF(1650 * k, 1790 * k)));
        QCOMPARE(std::pair(s->FreqE[a]->pos(), s->FreqR[a]->pos()), std::pair(stored(ws, a).second, stored(ws, a).second));
        QCOMPARE(w.frm->view()->mapFromScene(s->FreqR[a]->pos()) + s->FreqR[a]->offset().toPoint(), QPoint(110, 133));
        QCOMPARE(s->RelaiOk[a]->pos(), icon);
        QCOMPARE(s->Temps[a]->pos(), temps);  // the countdown waits for the next re-layout
        drag(w.vp(), QPoint(112, 121), QPoint(102, 111), Qt::ShiftModifier, Qt::ShiftModifier);
        QCOMPARE(stored(ws, a).second, QPointF(1500 * k, 1640 * k));
        QCOMPARE(s->FreqR[a]->pos(), s->FreqE[a]->pos());
        QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);
        QCOMPARE(s->Temps[a]->pos(), QPointF(1500 * k, 1640 * k));
    }
    QCOMPARE(stored(ws, b), std::pair(QPointF(6000 * k, 6000 * k), QPointF(7500 * k, 7500 * k)));
    // The next start shows them where they were dropped.
    Window again(900, 650);
    QCOMPARE(again.scene()->RelaiOk[a]->pos(), icon);
    QCOMPARE(again.scene()->FreqR[a]->pos(), QPointF(1500 * k, 1640 * k));
    QCOMPARE(again.scene()->Ligne[0]->line().p1(), again.scene()->repeaterPoint(a));
}

void tst_drag::clicksAndDropsWithoutShift()
{
    TempWorkspace ws;
    ws.makeMap(800, 600);
    const int a = ws.addRepeater("Alpha", "1", "438.5", 300, 600, 3000, 1500, "12");
    const int b = ws.addRepeater("Bravo", "2", "1255", 6000, 6000, 7500, 7500);
    ws.closeStore();
    Window w(900, 650);
    QVERIFY(QTest::qWaitForWindowExposed(w.frm.get()));
    MapScene *s = w.scene();
    ModalAnswer modals(QMessageBox::Cancel, ModalAnswer::Every);
    const QPoint iconA(25, 45), iconB(405, 405);
    const auto chosen = [&] { return std::tuple(w.ctx.state.IndexBouton, w.ctx.state.NomCourant, modals.titles); };
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
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, QPoint(202, 102));
    QTest::qWait(30);
    QCOMPARE(std::pair(w.ctx.state.IndexBouton, int(modals.titles.size())), std::pair(a, 3));

    // Shift let go before the button: left where it was dropped, not stored,
    // until the next re-layout puts it back.
    drag(w.vp(), iconA, QPoint(105, 65), Qt::ShiftModifier, {});
    QCOMPARE(s->RelaiOk[a]->pos(), QPointF(1500, 900));
    QTest::mouseClick(w.frm->CmdZoomPlus, Qt::LeftButton);
    QCOMPARE(s->RelaiOk[a]->pos(), QPointF(300, 600));
    QCOMPARE(s->Ligne[0]->line().p1(), s->repeaterPoint(a));
    // A Ctrl drag on an icon does nothing: no move, no pan, no window.
    const QPoint icon = w.frm->view()->mapFromScene(s->RelaiOk[a]->pos()) + QPoint(5, 5);
    drag(w.vp(), icon, icon + QPoint(60, 30), Qt::ControlModifier, Qt::ControlModifier);
    QTest::qWait(50);
    QCOMPARE(s->RelaiOk[a]->pos(), QPointF(300, 600));
    QCOMPARE(std::pair(w.ctx.state.CarteX, int(modals.titles.size())), std::pair(0, 3));
    QCOMPARE(stored(ws, a).first, QPointF(300, 600));
}

PONTAVEL_TEST(tst_drag)
#include "tst_drag.moc"
