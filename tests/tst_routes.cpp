// The routes on the map without a window: beam and route strings, what a
// confirmed command does to the route state, the countdowns, "Efface" and the
// renumbering after a repeater left the table.

#include "core/routes.h"
#include "core/routestate.h"
#include "core/sharedstate.h"

#include <QtTest>

using Routes::Segment;

namespace {

Repeater rep(int n, const QString &key, const QString &chemin = {})
{
    Repeater r;
    r.numero = n;
    r.nom = QStringLiteral("R%1").arg(n);
    r.dtmf = key;
    r.freq = QStringLiteral("F%1").arg(n);
    r.chemin = chemin;
    return r;
}

// Four repeaters keyed 1..4, none with beams.
QVector<Repeater> network()
{
    return {rep(1, "1"), rep(2, "2"), rep(3, "3"), rep(4, "4")};
}

Command command(const QString &chemin, const QString &relais, const QString &tx = "Tx", const QString &rx = "Rx")
{
    Command c;
    c.tx = tx;
    c.rx = rx;
    c.chemin = chemin;
    c.relais = relais;
    return c;
}

// The route state of five repeaters keyed 1..5 on a clock the test moves,
// with what the map was last told about each repeater.
struct Model
{
    Settings row;  // the stored colours and duration the state reads
    SharedState state;
    RouteState routes{state};
    qint64 now = 1000000;
    QMap<int, bool> active;
    QMap<int, QString> labels;      // "first/second/colour"
    QMap<int, QString> countdown;   // text, empty when hidden
    QMap<int, QColor> back;
    QString drawn;                  // the last route string drawn
    int draws = 0;

    Model()
    {
        row.couleurActif = 0xAA;
        row.couleurRepos = 0xBB;
        state.bindStored(&row);
        routes.setClock([this] { return now; });
        routes.setRepeaters(network() << rep(5, "5"));
        QObject::connect(&routes, &RouteState::activeChanged, [this](int i, bool on) { active[i] = on; });
        QObject::connect(&routes, &RouteState::labelsChanged,
                         [this](int i, const QString &a, const QString &b, quint32 c) {
                             labels[i] = QStringLiteral("%1/%2/%3").arg(a, b).arg(c, 0, 16);
                         });
        QObject::connect(&routes, &RouteState::labelsRestored,
                         [this](int i, quint32 c) { labels[i] = QStringLiteral("idle/%1").arg(c, 0, 16); });
        QObject::connect(&routes, &RouteState::countdownChanged, [this](int i, const QString &t, const QColor &c) {
            countdown[i] = t;
            back[i] = c;
        });
        QObject::connect(&routes, &RouteState::routesChanged, [this](const QString &c) {
            drawn = c;
            ++draws;
        });
    }
    void send(int from, const QString &chemin, const QString &relais)
    {
        state.IndexBouton = from;
        routes.AfficheRoute(command(chemin, relais));
    }
    // The clock `seconds` (and a little) after repeater i's route began, then one step.
    void at(qint64 seconds, int i)
    {
        now = routes.DebutRoute[i] + seconds * 1000 + 50;
        routes.tick();
    }
};

const QColor green(0, 255, 0);
const QColor red(255, 0, 0);

} // namespace

class tst_Routes : public QObject
{
    Q_OBJECT
private slots:
    void beamsChainAcrossRows()
    {
        QVector<Repeater> list = network();
        list[0].chemin = "12";
        list[1].chemin = "23";
        list[2].chemin = "3";   // one key: no beam
        list[3].chemin = "";
        QCOMPARE(Routes::beams(list), (QVector<Segment>{{1, 2}, {2, 3}}));

        list[0].chemin = "125";  // 5 matches nothing: the segment goes nowhere yet
        list[1].chemin = "";
        QCOMPARE(Routes::beams(list), (QVector<Segment>{{1, 2}, {2, 2}}));
    }

    void beamsUnknownKeys()
    {
        QVector<Repeater> list = network();
        // An unknown first key starts at repeater 1.
        list[0].chemin = "93";
        QCOMPARE(Routes::beams(list), (QVector<Segment>{{1, 3}}));
        // An unknown later key before any match ends at repeater 0 (not drawn).
        list[0].chemin = "19";
        QCOMPARE(Routes::beams(list), (QVector<Segment>{{1, 0}}));
        // The last matched later key is kept across rows.
        list[0].chemin = "14";
        list[1].chemin = "29";
        QCOMPARE(Routes::beams(list), (QVector<Segment>{{1, 4}, {2, 4}}));
    }

    void beamsAreNotLimitedInNumber()
    {
        QVector<Repeater> list;
        const QString keys = "0123456789ABCD#*";
        for (int i = 0; i < keys.size(); ++i)
            list << rep(i + 1, keys.mid(i, 1), keys);  // every row chains every key
        QCOMPARE(Routes::beams(list).size(), 16 * 15);
    }

    void routeStrings()
    {
        const QVector<Repeater> list = network();
        QCOMPARE(Routes::routes("12-34", list), (QVector<Segment>{{1, 2}, {3, 4}}));
        QCOMPARE(Routes::routes("  12", list), (QVector<Segment>{{1, 2}}));
        QCOMPARE(Routes::routes("1-23", list), (QVector<Segment>{{2, 3}}));
        QCOMPARE(Routes::routes("1234-24", list),
                 (QVector<Segment>{{1, 2}, {2, 3}, {3, 4}, {2, 4}}));
        QVERIFY(Routes::routes("", list).isEmpty());
        QVERIFY(Routes::routes("   ", list).isEmpty());
        QVERIFY(Routes::routes("1", list).isEmpty());
        QVERIFY(Routes::routes("-", list).isEmpty());
        // The last match wins for duplicated keys.
        QVector<Repeater> dup = list;
        dup << rep(5, "2");
        QCOMPARE(Routes::routes("12", dup), (QVector<Segment>{{1, 5}}));
    }

    void removingOneRouteKeepsTheOthersWhole()
    {
        QCOMPARE(Routes::removeRoute("12-345", "12"), QString("345"));
        QCOMPARE(Routes::removeRoute("12", "12"), QString(""));
        // The route shown first must survive when a later one ends first.
        QCOMPARE(Routes::removeRoute("12-345", "345"), QString("12"));
        QCOMPARE(Routes::removeRoute("12-345-67", "345"), QString("12-67"));
        // Whole segments only: "34" is not a part of "345".
        QCOMPARE(Routes::removeRoute("345-34", "34"), QString("345"));
        QCOMPARE(Routes::removeRoute("12-345", "99"), QString("12-345"));
        QCOMPARE(Routes::removeRoute("12-345", ""), QString("12-345"));
        // The same route shown twice goes once per removal.
        QCOMPARE(Routes::removeRoute("12-12", "12"), QString("12"));
    }

    void appending()
    {
        QCOMPARE(Routes::appendRoute("", "12"), QString("12"));
        QCOMPARE(Routes::appendRoute("12", "345"), QString("12-345"));
        QCOMPARE(Routes::appendRoute(Routes::appendRoute("", "12"), ""), QString("12"));
    }

    void routeSegmentsGoToTheirRepeaters()
    {
        Model m;
        m.state.NomCourant = "Charlie";
        m.state.FreqCourante = "2370";
        m.send(3, "1234-25", "12");
        QCOMPARE(m.routes.CheminRelai[1], QString("1234"));
        QCOMPARE(m.routes.CheminRelai[2], QString("25"));
        QCOMPARE(m.routes.CheminsActifs, QString("1234-25"));
        QCOMPARE(m.drawn, QString("1234-25"));
        QVERIFY(m.active[1] && m.active[2] && !m.active.contains(3));
        QVERIFY(m.routes.RouteAffichee[1] && m.routes.RouteAffichee[2] && !m.routes.RouteAffichee[3]);
        QCOMPARE(m.routes.DebutRoute[1], m.now);
        QCOMPARE(m.labels[3], QString("Tx/Rx/aa"));

        // The same repeaters again: their old routes leave, the new ones come.
        m.send(3, "15-53", "12");
        QCOMPARE(m.routes.CheminsActifs, QString("15-53"));
        QCOMPARE(m.routes.CheminRelai[1], QString("15"));

        m.routes.RestaureLibelles();
        QCOMPARE(m.labels[3], QString("Charlie/2370/bb"));
        m.routes.showIdle(3);
        QVERIFY(!m.active[3]);
    }

    void emptyRelaisEndsTheClickedRepeatersDisplay()
    {
        Model m;
        m.routes.CheminsActifs = "34-41";
        m.routes.CheminRelai[2] = "41";
        m.routes.RouteAffichee[2] = true;
        m.send(2, "25", "");
        QCOMPARE(m.routes.CheminsActifs, QString("34"));
        QCOMPARE(m.drawn, QString("34"));
        QVERIFY(m.routes.CheminRelai[2].isEmpty());
        QVERIFY(!m.routes.RouteAffichee[2]);
        QVERIFY(!m.active[2]);
        QCOMPARE(m.labels[2], QString("idle/bb"));
    }

    void unmatchedKeysAndShortRoutes()
    {
        Model m;
        // Repeater 1 counted long ago; an unmatched key lands on it with a fresh start.
        m.routes.DebutRoute[1] = m.now - 3600 * 1000;
        m.send(4, "43", "9");
        QCOMPARE(m.routes.CheminRelai[1], QString("43"));
        QVERIFY(m.routes.RouteAffichee[1]);
        QVERIFY(m.active[1]);
        QCOMPARE(m.routes.DebutRoute[1], m.now);

        // More repeaters than segments: the later ones get no route.
        m.send(4, "23", "235");
        QCOMPARE(m.routes.CheminRelai[2], QString("23"));
        QVERIFY(m.routes.CheminRelai[3].isEmpty());
        QVERIFY(m.routes.CheminRelai[5].isEmpty());
        QVERIFY(m.routes.RouteAffichee[3] && m.routes.RouteAffichee[5]);
        QCOMPARE(m.routes.CheminsActifs, QString("43-23"));
    }

    void duplicateKeysLastRowOwnsTheSegment()
    {
        Model m;
        QVector<Repeater> list = m.routes.repeaters();
        m.routes.setRepeaters(list << rep(6, "2"));
        m.send(1, "21", "2");
        QVERIFY(m.active[2] && m.active[6]);
        QVERIFY(m.routes.RouteAffichee[2] && m.routes.RouteAffichee[6]);
        QVERIFY(m.routes.CheminRelai[2].isEmpty());
        QCOMPARE(m.routes.CheminRelai[6], QString("21"));
    }

    void RetireCheminCutsWholeSegments()
    {
        Model m;
        const struct { const char *before, *route, *after; } cases[] = {
            {"12-34-56", "12", "34-56"}, {"12-34-56", "34", "12-56"}, {"12-34-56", "56", "12-34"},
            {"12", "12", ""},            {"12-34", "99", "12-34"},
            // Only a whole segment goes, not a piece of another route with the same first keys.
            {"1234-23", "23", "1234"},   {"2345-23", "23", "2345"},
        };
        for (const auto &c : cases) {
            m.routes.CheminsActifs = c.before;
            m.routes.RetireChemin(c.route);
            QCOMPARE(m.routes.CheminsActifs, QString(c.after));
        }
    }

    void EffaceCheminWithNoRouteShownKeepsTheRepeatersRoute()
    {
        Model m;
        m.routes.CheminRelai[2] = "23";
        m.routes.RouteAffichee[2] = true;
        m.routes.EffaceChemin(2);
        QCOMPARE(m.routes.CheminRelai[2], QString("23"));
        QCOMPARE(m.draws, 0);
        QVERIFY(!m.routes.RouteAffichee[2]);
        QCOMPARE(m.labels[2], QString("idle/bb"));
    }

    void arithmetic()
    {
        QCOMPARE(RouteState::remaining(5, 1000, 1000), qint64(300));
        QCOMPARE(RouteState::remaining(5, 1000, 1999), qint64(300));
        QCOMPARE(RouteState::remaining(5, 1000, 2000), qint64(299));
        // A start a little ahead of the clock counts as a whole second ahead.
        QCOMPARE(RouteState::remaining(5, 1500, 1000), qint64(301));
        QCOMPARE(RouteState::format(245), QString("04:05"));
        QCOMPARE(RouteState::format(125 * 60), QString("125:00"));
        QCOMPARE(RouteState::format(59), QString("00:59"));
        QCOMPARE(RouteState::colour(181), green);
        QVERIFY(!RouteState::colour(180).isValid());
        QCOMPARE(RouteState::colour(179), red);
    }

    void countdownFollowsTheClockAndEndsTheRoute()
    {
        Model m;
        QCOMPARE(m.state.DureeAffichage(), 5);
        m.send(1, "12", "1");
        m.routes.tick();
        QCOMPARE(m.countdown[1], QString("05:00"));
        QCOMPARE(m.back[1], green);
        QVERIFY(m.countdown[2].isEmpty());  // not marked: no countdown

        m.at(119, 1);  // 181 s left
        QCOMPARE(m.countdown[1], QString("03:01"));
        QCOMPARE(m.back[1], green);
        m.at(121, 1);
        QCOMPARE(m.countdown[1], QString("02:59"));
        QCOMPARE(m.back[1], red);

        // The duration changed meanwhile (route duration dialog): the running countdown follows.
        m.row.tempo = 10;
        m.routes.tick();
        QCOMPARE(m.countdown[1], QString("07:59"));
        QCOMPARE(m.back[1], green);
        m.row.tempo = 5;

        // A step that never lands on 0 ends the route all the same.
        m.at(303, 1);
        QVERIFY(!m.routes.RouteAffichee[1]);
        QVERIFY(m.countdown[1].isEmpty());
        QVERIFY(!m.active[1]);
        QVERIFY(m.routes.CheminsActifs.isEmpty());
        QCOMPARE(m.labels[1], QString("idle/bb"));
    }

    void threeMinutesStartsInTheOldColour()
    {
        Model m;
        m.row.tempo = 3;
        m.send(2, "23", "2");
        m.routes.tick();
        QCOMPARE(m.countdown[2], QString("03:00"));
        QVERIFY(!m.back[2].isValid());
        m.at(1, 2);
        QCOMPARE(m.countdown[2], QString("02:59"));
        QCOMPARE(m.back[2], red);
        m.at(180, 2);  // exactly 0
        QVERIFY(m.countdown[2].isEmpty());
        QVERIFY(!m.routes.RouteAffichee[2]);
    }

    void laterRouteExpiringLeavesTheFirstWhole()
    {
        Model t;
        t.send(1, "12", "1");
        t.now += 20000;
        t.send(3, "1234", "3");
        QCOMPARE(t.routes.CheminsActifs, QString("12-1234"));
        // Repeater 1 is sent again, so its countdown starts anew and repeater 3's ends first.
        t.now += 20000;
        t.send(1, "12", "1");
        QCOMPARE(t.routes.CheminsActifs, QString("1234-12"));
        t.at(300, 3);
        QVERIFY(!t.routes.RouteAffichee[3]);
        QVERIFY(t.routes.RouteAffichee[1]);
        QCOMPARE(t.routes.CheminsActifs, QString("12"));
        QCOMPARE(t.drawn, QString("12"));
        QVERIFY(!t.countdown[1].isEmpty());
        QVERIFY(t.active[1]);

        // The first one shown, then the second: each leaves the other whole.
        Model u;
        u.send(1, "12", "1");
        u.now += 10000;
        u.send(4, "45", "4");
        u.at(300, 1);
        QVERIFY(!u.routes.RouteAffichee[1]);
        QCOMPARE(u.routes.CheminsActifs, QString("45"));
        u.at(300, 4);
        QVERIFY(!u.routes.RouteAffichee[4]);
        QVERIFY(u.routes.CheminsActifs.isEmpty());
    }

    void effaceClearsEverything()
    {
        Model m;
        m.send(1, "1234-25", "12");
        m.send(3, "35", "3");
        m.routes.tick();
        QVERIFY(!m.countdown[1].isEmpty() && !m.countdown[3].isEmpty());
        m.routes.Efface();
        QVERIFY(m.routes.CheminsActifs.isEmpty());
        QVERIFY(m.drawn.isEmpty());
        for (int i = 1; i <= 5; ++i) {
            QVERIFY(!m.routes.RouteAffichee[i]);
            QVERIFY(!m.active[i]);
            QVERIFY(m.countdown[i].isEmpty());
            QVERIFY(m.routes.CheminRelai[i].isEmpty());
            QCOMPARE(m.labels[i], QString("idle/bb"));
        }
        // Nothing comes back on the next steps.
        m.now += 1000;
        m.routes.tick();
        QVERIFY(m.countdown[1].isEmpty());
    }

    // Repeater 2 leaves the table: its route ends, the following repeaters'
    // routes, start times and the clicked repeater move one number down.
    void deletingARepeaterRenumbersTheRouteState()
    {
        Model m;
        m.send(2, "23", "2");
        m.now += 30000;
        m.send(4, "45", "4");
        const qint64 started4 = m.routes.DebutRoute[4];
        m.routes.DebutRoute[5] = 777;  // a stale start of an idle repeater
        m.state.IndexBouton = 4;
        m.routes.repeaterDeleted(2);
        QCOMPARE(m.routes.CheminsActifs, QString("45"));
        QCOMPARE(m.drawn, QString("45"));
        QVERIFY(!m.active[2]);
        QVERIFY(m.countdown[2].isEmpty());
        QVERIFY(m.routes.RouteAffichee[3] && !m.routes.RouteAffichee[4]);
        QCOMPARE(m.routes.CheminRelai[3], QString("45"));
        QVERIFY(m.routes.CheminRelai[4].isEmpty());
        QCOMPARE(m.routes.DebutRoute[3], started4);
        QCOMPARE(m.routes.DebutRoute[4], qint64(777));
        QCOMPARE(m.routes.DebutRoute.last(), qint64(0));
        QCOMPARE(m.state.IndexBouton, 3);
        const int size = int(m.routes.RouteAffichee.size());
        QCOMPARE(m.routes.DebutRoute.size(), size);
        QCOMPARE(m.routes.CheminRelai.size(), size);

        // The moved route still counts from its own start and ends on time.
        m.at(299, 3);
        QVERIFY(m.routes.RouteAffichee[3]);
        m.at(300, 3);
        QVERIFY(!m.routes.RouteAffichee[3]);
        QVERIFY(m.routes.CheminsActifs.isEmpty());

        // Deleting the clicked repeater leaves no repeater clicked.
        m.state.IndexBouton = 1;
        m.routes.repeaterDeleted(1);
        QCOMPARE(m.state.IndexBouton, 0);
    }
};

QTEST_GUILESS_MAIN(tst_Routes)
#include "tst_routes.moc"
