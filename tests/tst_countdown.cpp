// Route countdowns under the repeaters and "Efface", with the clock driven by
// the test instead of waiting minutes.

#include "station.h"

#include "command/routestate.h"
#include "core/convert.h"
#include "dialogs/frmtempo.h"
#include "map/countdowns.h"
#include "map/maplabel.h"

#include <QGraphicsLineItem>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class tst_countdown : public QObject
{
    Q_OBJECT

    struct Clocked
    {
        Station st;
        Countdowns *cd = nullptr;
        qint64 ahead = 0;  // ms the test has moved the clock on
        Clocked()
        {
            st.load();
            cd = st.frm->findChild<Countdowns *>();
            cd->setClock([this] { return st.ctx.state.clock() + ahead; });
        }
        // A command from repeater `from` putting `relais` on the air along `chemin`, at the test's time.
        void show(int from, const QString &chemin, const QString &relais)
        {
            Command c;
            c.tx = "Tx";
            c.rx = "Rx";
            c.chemin = chemin;
            c.relais = relais;
            st.ctx.state.IndexBouton = from;
            RouteState(st.ctx, *st.frm->routines(), *st.frm->scene()).AfficheRoute(c);
            for (QChar k : relais)
                st.ctx.state.DebutRoute[k.digitValue()] += ahead;
        }
        MapLabel *label(int i) const { return st.frm->scene()->Temps[i]; }
        void at(qint64 seconds, int i)
        {
            ahead = st.ctx.state.DebutRoute[i] - st.ctx.state.clock() + seconds * 1000 + 50;
        }
    };

    static const QColor green() { return QColor(0, 255, 0); }
    static const QColor red() { return QColor(255, 0, 0); }

private slots:
    void arithmetic()
    {
        QCOMPARE(Countdowns::remaining(5, 1000, 1000), qint64(300));
        QCOMPARE(Countdowns::remaining(5, 1000, 1999), qint64(300));
        QCOMPARE(Countdowns::remaining(5, 1000, 2000), qint64(299));
        QCOMPARE(Countdowns::format(245), QString("04:05"));
        QCOMPARE(Countdowns::format(125 * 60), QString("125:00"));
        QCOMPARE(Countdowns::format(59), QString("00:59"));
        QCOMPARE(Countdowns::colour(181), green());
        QVERIFY(!Countdowns::colour(180).isValid());
        QCOMPARE(Countdowns::colour(179), red());
    }

    void labelFollowsTheClockAndEndsTheRoute()
    {
        Clocked t;
        QCOMPARE(t.st.ctx.state.DureeAffichage(), 5);
        t.show(1, "12", "1");
        QTRY_COMPARE(t.label(1)->text(), QString("05:00"));
        QVERIFY(t.label(1)->isVisible());
        QCOMPARE(t.label(1)->backColor(), green());
        QVERIFY(!t.label(2)->isVisible());  // not marked: no countdown

        t.at(119, 1);  // 181 s left
        QTRY_COMPARE(t.label(1)->text(), QString("03:01"));
        QCOMPARE(t.label(1)->backColor(), green());
        t.at(120, 1);
        QTRY_COMPARE(t.label(1)->text(), QString("03:00"));
        QCOMPARE(t.label(1)->backColor(), green());
        t.at(121, 1);
        QTRY_COMPARE(t.label(1)->text(), QString("02:59"));
        QCOMPARE(t.label(1)->backColor(), red());

        // The duration changed meanwhile (route duration dialog): the running countdown follows.
        QVERIFY(t.st.ctx.config.applyTempo(10, nullptr));
        QTRY_COMPARE(t.label(1)->text(), QString("07:59"));
        QCOMPARE(t.label(1)->backColor(), green());
        QVERIFY(t.st.ctx.config.applyTempo(5, nullptr));

        // A step that never lands on 0 ends the route all the same.
        t.at(303, 1);
        QTRY_VERIFY(!t.st.ctx.state.RouteAffichee[1]);
        QVERIFY(!t.label(1)->isVisible());
        QVERIFY(!t.st.frm->scene()->isActive(1));
        QVERIFY(t.st.ctx.state.CheminsActifs.isEmpty());
        QCOMPARE(t.st.frm->scene()->FreqE[1]->text(), QString("Alpha"));
    }

    // "Tempo Chemin" stores the new duration and a route already counting follows it.
    void routeDurationDialogAppliesToRunningCountdowns()
    {
        Clocked t;
        t.show(1, "12", "1");
        t.at(120, 1);  // two minutes shown: 03:00 left
        QTRY_COMPARE(t.label(1)->text(), QString("03:00"));
        frmTempo d(t.st.ctx, t.st.frm.get());
        d.tempo->setText("10");
        d.CmdOk_Click();
        QVERIFY(t.st.ctx.config.applyTempo(d.minutes(), nullptr));
        QCOMPARE(t.st.ctx.state.DureeAffichage(), 10);
        QTRY_COMPARE(t.label(1)->text(), QString("08:00"));
        QCOMPARE(t.label(1)->backColor(), green());
        Store fresh;
        QCOMPARE(fresh.open(t.st.ws.file("relai.db")), Store::OpenResult::Opened);
        QCOMPARE(fresh.settings().dureeAffichage(), 10);
    }

    void threeMinutesStartsInTheOldColour()
    {
        Clocked t;
        QVERIFY(t.st.ctx.config.applyTempo(3, nullptr));
        t.show(2, "23", "2");
        QTRY_COMPARE(t.label(2)->text(), QString("03:00"));
        QVERIFY(!t.label(2)->backColor().isValid());
        t.at(1, 2);
        QTRY_COMPARE(t.label(2)->text(), QString("02:59"));
        QCOMPARE(t.label(2)->backColor(), red());
        t.at(180, 2);  // exactly 0
        QTRY_VERIFY(!t.label(2)->isVisible());
        QVERIFY(!t.st.ctx.state.RouteAffichee[2]);
    }

    void laterRouteExpiringLeavesTheFirstWhole()
    {
        Clocked t;
        t.show(1, "12", "1");
        t.ahead = 20000;
        t.show(3, "1234", "3");
        QCOMPARE(t.st.ctx.state.CheminsActifs, QString("12-1234"));
        // Repeater 1 is sent again, so its countdown starts anew and repeater 3's ends first.
        t.ahead = 40000;
        t.show(1, "12", "1");
        QCOMPARE(t.st.ctx.state.CheminsActifs, QString("1234-12"));
        t.at(300, 3);
        QTRY_VERIFY(!t.st.ctx.state.RouteAffichee[3]);
        QVERIFY(t.st.ctx.state.RouteAffichee[1]);
        QCOMPARE(t.st.ctx.state.CheminsActifs, QString("12"));
        int shown = 0;
        for (auto *l : t.st.frm->scene()->LigneAct)
            shown += l && l->isVisible();
        QCOMPARE(shown, 1);
        QVERIFY(t.label(1)->isVisible());
        QVERIFY(t.st.frm->scene()->isActive(1));

        // The first one shown, then the second: each leaves the other whole.
        Clocked u;
        u.show(1, "12", "1");
        u.ahead = 10000;
        u.show(4, "45", "4");
        u.at(300, 1);
        QTRY_VERIFY(!u.st.ctx.state.RouteAffichee[1]);
        QCOMPARE(u.st.ctx.state.CheminsActifs, QString("45"));
        u.at(300, 4);
        QTRY_VERIFY(!u.st.ctx.state.RouteAffichee[4]);
        QVERIFY(u.st.ctx.state.CheminsActifs.isEmpty());
    }

    void effaceClearsEverything()
    {
        Clocked t;
        t.show(1, "1234-25", "12");
        t.show(3, "35", "3");
        t.st.frm->setEtat("Zoom en cours");
        QTRY_VERIFY(t.label(1)->isVisible() && t.label(3)->isVisible());
        QTest::mouseClick(t.st.frm->CmdEfface, Qt::LeftButton);
        MapScene *s = t.st.frm->scene();
        const SharedState &st = t.st.ctx.state;
        QVERIFY(st.CheminsActifs.isEmpty());
        for (int i = 1; i <= 5; ++i) {
            QVERIFY(!st.RouteAffichee[i]);
            QVERIFY(!s->isActive(i));
            QVERIFY(!t.label(i)->isVisible());
            QVERIFY(st.CheminRelai[i].isEmpty());
            QCOMPARE(s->FreqE[i]->text(), s->repeater(i)->nom);
            QCOMPARE(s->FreqR[i]->text(), s->repeater(i)->freq);
            QCOMPARE(s->FreqE[i]->color(), colorFromBgr(st.CouleurRepos()));
        }
        for (auto *l : s->LigneAct)
            QVERIFY(!l || !l->isVisible());
        QCOMPARE(t.st.frm->etat(), QString("Etat :"));
        QCOMPARE(t.st.frm->CmdEfface->text(), QString("Efface"));
        QCOMPARE(t.st.frm->CmdEfface->toolTip(), QString("Efface Sélections"));
        // Nothing comes back on the next steps.
        QTest::qWait(250);
        QVERIFY(!t.label(1)->isVisible());
    }
};

QTEST_MAIN(tst_countdown)
#include "tst_countdown.moc"
