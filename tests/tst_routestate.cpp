// What a confirmed command does to the route state: AfficheRoute, RetireChemin
// and RestaureLibelles on a loaded main window.

#include "station.h"

#include "command/routestate.h"
#include "core/convert.h"
#include "map/maplabel.h"
#include "map/maproutines.h"

#include <QGraphicsLineItem>

class tst_routestate : public QObject
{
    Q_OBJECT

    static Command command(const QString &tx, const QString &rx, const QString &chemin, const QString &relais)
    {
        Command c;
        c.tx = tx;
        c.rx = rx;
        c.chemin = chemin;
        c.relais = relais;
        return c;
    }
    static void click(Station &st, int i)
    {
        const Repeater *r = st.frm->scene()->repeater(i);
        st.ctx.state.IndexBouton = i;
        st.ctx.state.NomCourant = r->nom;
        st.ctx.state.FreqCourante = r->freq;
    }
    static int lines(MapScene *s)
    {
        int n = 0;
        for (auto *l : s->LigneAct)
            n += l && l->isVisible();
        return n;
    }

private slots:
    void routeSegmentsGoToTheirRepeaters()
    {
        Station st;
        st.load();
        RouteState rs(st.ctx, *st.frm->routines(), *st.frm->scene());
        SharedState &s = st.ctx.state;
        click(st, 3);
        rs.AfficheRoute(command("Ligne 1", "Ligne 2", "1234-25", "12"));
        QCOMPARE(s.CheminRelai[1], QString("1234"));
        QCOMPARE(s.CheminRelai[2], QString("25"));
        QCOMPARE(s.CheminsActifs, QString("1234-25"));
        QCOMPARE(lines(st.frm->scene()), 4);
        QCOMPARE(st.frm->scene()->FreqE[3]->text(), QString("Ligne 1"));
        QCOMPARE(st.frm->scene()->FreqR[3]->text(), QString("Ligne 2"));
        QCOMPARE(st.frm->scene()->FreqR[3]->color(), colorFromBgr(s.CouleurActif()));

        // The same repeaters again: their old routes leave, the new ones come.
        rs.AfficheRoute(command("X", "Y", "15-53", "12"));
        QCOMPARE(s.CheminsActifs, QString("15-53"));
        QCOMPARE(s.CheminRelai[1], QString("15"));

        rs.RestaureLibelles();
        QCOMPARE(st.frm->scene()->FreqE[3]->text(), QString("Charlie"));
        QCOMPARE(st.frm->scene()->FreqR[3]->color(), colorFromBgr(s.CouleurRepos()));
        QVERIFY(s.RouteAffichee[1]);
    }

    void emptyRelaisEndsTheClickedRepeatersDisplay()
    {
        Station st;
        st.load();
        RouteState rs(st.ctx, *st.frm->routines(), *st.frm->scene());
        SharedState &s = st.ctx.state;
        s.CheminsActifs = "34-41";
        s.CheminRelai[2] = "41";
        s.RouteAffichee[2] = true;
        st.frm->scene()->setActive(2, true);
        click(st, 2);
        rs.AfficheRoute(command("A", "B", "25", ""));
        QCOMPARE(s.CheminsActifs, QString("34"));
        QVERIFY(s.CheminRelai[2].isEmpty());
        QVERIFY(!s.RouteAffichee[2]);
        QVERIFY(!st.frm->scene()->isActive(2));
        QCOMPARE(st.frm->scene()->FreqE[2]->text(), QString("Bravo"));
        QCOMPARE(lines(st.frm->scene()), 1);
    }

    void unmatchedKeysAndShortRoutes()
    {
        Station st;
        st.load();
        RouteState rs(st.ctx, *st.frm->routines(), *st.frm->scene());
        SharedState &s = st.ctx.state;
        // Repeater 1 counted long ago; an unmatched key lands on it with a fresh start.
        s.DebutRoute[1] = s.clock() - 3600 * 1000;
        click(st, 4);
        rs.AfficheRoute(command("A", "B", "43", "9"));
        QCOMPARE(s.CheminRelai[1], QString("43"));
        QVERIFY(s.RouteAffichee[1]);
        QVERIFY(st.frm->scene()->isActive(1));
        QVERIFY(s.clock() - s.DebutRoute[1] < 5000);

        // More repeaters than segments: the later ones get no route.
        rs.AfficheRoute(command("A", "B", "23", "235"));
        QCOMPARE(s.CheminRelai[2], QString("23"));
        QVERIFY(s.CheminRelai[3].isEmpty());
        QVERIFY(s.CheminRelai[5].isEmpty());
        QVERIFY(s.RouteAffichee[3] && s.RouteAffichee[5]);
        QCOMPARE(s.CheminsActifs, QString("43-23"));
    }

    void duplicateKeysLastRowOwnsTheSegment()
    {
        Station st;
        st.ws.addRepeater("Foxtrot", "2", "145", 4000, 4000, 4000, 4400);
        st.load();
        RouteState rs(st.ctx, *st.frm->routines(), *st.frm->scene());
        click(st, 1);
        rs.AfficheRoute(command("A", "B", "21", "2"));
        QVERIFY(st.frm->scene()->isActive(2) && st.frm->scene()->isActive(6));
        QVERIFY(st.ctx.state.RouteAffichee[2] && st.ctx.state.RouteAffichee[6]);
        QVERIFY(st.ctx.state.CheminRelai[2].isEmpty());
        QCOMPARE(st.ctx.state.CheminRelai[6], QString("21"));
    }

    void RetireCheminCutsWholeSegments()
    {
        Station st;
        st.load();
        RouteState rs(st.ctx, *st.frm->routines(), *st.frm->scene());
        QString &a = st.ctx.state.CheminsActifs;
        const struct { const char *before, *route, *after; } cases[] = {
            {"12-34-56", "12", "34-56"}, {"12-34-56", "34", "12-56"}, {"12-34-56", "56", "12-34"},
            {"12", "12", ""},            {"12-34", "99", "12-34"},
            // Only a whole segment goes, not a piece of another route with the same first keys.
            {"1234-23", "23", "1234"},   {"2345-23", "23", "2345"},
        };
        for (const auto &c : cases) {
            a = c.before;
            rs.RetireChemin(c.route);
            QCOMPARE(a, QString(c.after));
        }
    }
};

QTEST_MAIN(tst_routestate)
#include "tst_routestate.moc"
