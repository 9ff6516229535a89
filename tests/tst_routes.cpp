// The routes on the map without a window: beam and route strings, what a
// confirmed command does to the route state, the countdowns, "Efface" and the
// renumbering after a repeater left the table.

#include "core/routes.h"
#include "core/routestate.h"
#include "core/sharedstate.h"

#include <QtTest>

using Routes::Segment;
using Segments = QVector<Segment>;

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

// Repeaters keyed 1..n, with the beams given.
QVector<Repeater> network(int n = 4, const QStringList &chemins = {})
{
    QVector<Repeater> list;
    for (int i = 1; i <= n; ++i)
        list << rep(i, QString::number(i), chemins.value(i - 1));
    return list;
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
    QMap<int, QString> labels;     // "first/second/colour"
    QMap<int, QString> countdown;  // text, empty when hidden
    QMap<int, QColor> back;
    QString drawn;                 // the last route string drawn
    int draws = 0;

    Model()
    {
        row.couleurActif = 0xAA;
        row.couleurRepos = 0xBB;
        state.bindStored(&row);
        routes.setClock([this] { return now; });
        routes.setRepeaters(network(5));
        QObject::connect(&routes, &RouteState::activeChanged, [this](int i, bool on) { active[i] = on; });
        QObject::connect(&routes, &RouteState::labelsChanged, [this](int i, const QString &a, const QString &b, quint32 c) {
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
        Command c;
        c.tx = "Tx";
        c.rx = "Rx";
        c.chemin = chemin;
        c.relais = relais;
        routes.AfficheRoute(c);
    }
    // The clock `seconds` (and a little) after repeater i's route began, then one step.
    void at(qint64 seconds, int i)
    {
        now = routes.DebutRoute[i] + seconds * 1000 + 50;
        routes.tick();
    }
    // Repeater i shows no route at all.
    bool idle(int i)
    {
        return !routes.RouteAffichee[i] && !active[i] && countdown[i].isEmpty() && labels[i] == "idle/bb";
    }
};

const QColor green(0, 255, 0);
const QColor red(255, 0, 0);

} // namespace

class tst_Routes : public QObject
{
    Q_OBJECT
private slots:
    void beams()
    {
        const struct { QStringList chemins; Segments want; } cases[] = {
            {{"12", "23", "3", ""}, {{1, 2}, {2, 3}}},  // one key: no beam
            {{"125", ""}, {{1, 2}, {2, 2}}},            // 5 matches nothing: the segment goes nowhere yet
            {{"93"}, {{1, 3}}},                         // an unknown first key starts at repeater 1
            {{"19"}, {{1, 0}}},                         // an unknown later key before any match: 0, not drawn
            {{"14", "29"}, {{1, 4}, {2, 4}}},           // the last matched later key is kept across rows
        };
        for (const auto &c : cases)
            QCOMPARE(Routes::beams(network(4, c.chemins)), c.want);
        QVector<Repeater> all;
        const QString keys = "0123456789ABCD#*";
        for (int i = 0; i < keys.size(); ++i)
            all << rep(i + 1, keys.mid(i, 1), keys);  // not limited in number
        QCOMPARE(Routes::beams(all).size(), 16 * 15);
    }

    void routeStrings()
    {
        const struct { const char *chemin; Segments want; } cases[] = {
            {"12-34", {{1, 2}, {3, 4}}}, {"  12", {{1, 2}}}, {"1-23", {{2, 3}}},
            {"1234-24", {{1, 2}, {2, 3}, {3, 4}, {2, 4}}}, {"", {}}, {"   ", {}}, {"1", {}}, {"-", {}},
        };
        for (const auto &c : cases)
            QCOMPARE(Routes::routes(c.chemin, network()), c.want);
        // The last match wins for duplicated keys.
        QCOMPARE(Routes::routes("12", network() << rep(5, "2")), (Segments{{1, 5}}));
    }

    void removingOneRouteKeepsTheOthersWhole()
    {
        const struct { const char *before, *route, *after; } cases[] = {
            {"12-345", "12", "345"}, {"12", "12", ""}, {"12-345", "345", "12"}, {"12-345-67", "345", "12-67"},
            {"345-34", "34", "345"}, {"12-345", "99", "12-345"}, {"12-345", "", "12-345"}, {"12-12", "12", "12"},
            {"1234-23", "23", "1234"}, {"2345-23", "23", "2345"},  // whole segments only
        };
        Model m;
        for (const auto &c : cases) {
            QCOMPARE(Routes::removeRoute(c.before, c.route), QString(c.after));
            m.routes.CheminsActifs = c.before;
            m.routes.RetireChemin(c.route);
            QCOMPARE(m.routes.CheminsActifs, QString(c.after));
        }
        QCOMPARE(Routes::appendRoute("", "12"), QString("12"));
        QCOMPARE(Routes::appendRoute("12", "345"), QString("12-345"));
        QCOMPARE(Routes::appendRoute("12", ""), QString("12"));
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

        // An empty relais ends the clicked repeater's display.
        m.routes.CheminRelai[4] = "53";
        m.routes.RouteAffichee[4] = true;
        m.send(4, "45", "");
        QCOMPARE(m.drawn, QString("15"));
        QVERIFY(m.routes.CheminRelai[4].isEmpty());
        QVERIFY(m.idle(4));
    }

    void unmatchedKeysShortRoutesAndDuplicateKeys()
    {
        Model m;
        // Repeater 1 counted long ago; an unmatched key lands on it with a fresh start.
        m.routes.DebutRoute[1] = m.now - 3600 * 1000;
        m.send(4, "43", "9");
        QCOMPARE(m.routes.CheminRelai[1], QString("43"));
        QVERIFY(m.routes.RouteAffichee[1] && m.active[1]);
        QCOMPARE(m.routes.DebutRoute[1], m.now);
        // More repeaters than segments: the later ones get no route.
        m.send(4, "23", "235");
        QCOMPARE(m.routes.CheminRelai[2], QString("23"));
        QVERIFY(m.routes.CheminRelai[3].isEmpty() && m.routes.CheminRelai[5].isEmpty());
        QVERIFY(m.routes.RouteAffichee[3] && m.routes.RouteAffichee[5]);
        QCOMPARE(m.routes.CheminsActifs, QString("43-23"));

        // The last row keyed 2 owns the segment; both show as active.
        Model d;
        d.routes.setRepeaters(network(5) << rep(6, "2"));
        d.send(1, "21", "2");
        QVERIFY(d.active[2] && d.active[6] && d.routes.RouteAffichee[2] && d.routes.RouteAffichee[6]);
        QVERIFY(d.routes.CheminRelai[2].isEmpty());
        QCOMPARE(d.routes.CheminRelai[6], QString("21"));

        // EffaceChemin with no route shown keeps the repeater's route.
        d.routes.Efface();
        d.draws = 0;
        d.routes.CheminRelai[2] = "23";
        d.routes.RouteAffichee[2] = true;
        d.routes.EffaceChemin(2);
        QCOMPARE(d.routes.CheminRelai[2], QString("23"));
        QCOMPARE(d.draws, 0);
        QVERIFY(d.idle(2));
    }

    void arithmetic()
    {
        const qint64 remaining[][3] = {{1000, 1000, 300}, {1000, 1999, 300}, {1000, 2000, 299}, {1500, 1000, 301}};
        for (const auto &r : remaining)  // a start a little ahead of the clock counts as a whole second ahead
            QCOMPARE(RouteState::remaining(5, r[0], r[1]), r[2]);
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
        m.send(1, "12", "1");
        m.routes.tick();
        QCOMPARE(m.countdown[1], QString("05:00"));
        QCOMPARE(m.back[1], green);
        QVERIFY(m.countdown[2].isEmpty());  // not marked: no countdown
        m.at(119, 1);
        QCOMPARE(m.countdown[1], QString("03:01"));
        QCOMPARE(m.back[1], green);
        m.at(121, 1);
        QCOMPARE(m.countdown[1], QString("02:59"));
        QCOMPARE(m.back[1], red);
        // The duration changed meanwhile: the running countdown follows.
        m.row.tempo = 10;
        m.routes.tick();
        QCOMPARE(m.countdown[1], QString("07:59"));
        QCOMPARE(m.back[1], green);
        m.row.tempo = 5;
        // A step that never lands on 0 ends the route all the same.
        m.at(303, 1);
        QVERIFY(m.idle(1));
        QVERIFY(m.routes.CheminsActifs.isEmpty());

        // Three minutes start in the old colour and end exactly on 0.
        m.row.tempo = 3;
        m.send(2, "23", "2");
        m.routes.tick();
        QCOMPARE(m.countdown[2], QString("03:00"));
        QVERIFY(!m.back[2].isValid());
        m.at(1, 2);
        QCOMPARE(m.back[2], red);
        m.at(180, 2);
        QVERIFY(m.idle(2));
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
        QVERIFY(!t.routes.RouteAffichee[3] && t.routes.RouteAffichee[1] && t.active[1]);
        QCOMPARE(t.drawn, QString("12"));
        QVERIFY(!t.countdown[1].isEmpty());

        // The first one shown, then the second: each leaves the other whole.
        Model u;
        u.send(1, "12", "1");
        u.now += 10000;
        u.send(4, "45", "4");
        u.at(300, 1);
        QCOMPARE(u.routes.CheminsActifs, QString("45"));
        u.at(300, 4);
        QVERIFY(u.idle(1) && u.idle(4));
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
        QVERIFY(m.routes.CheminsActifs.isEmpty() && m.drawn.isEmpty());
        for (int i = 1; i <= 5; ++i) {
            QVERIFY(m.idle(i));
            QVERIFY(m.routes.CheminRelai[i].isEmpty());
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
        QCOMPARE(m.drawn, QString("45"));
        QVERIFY(!m.active[2] && m.countdown[2].isEmpty());
        QVERIFY(m.routes.RouteAffichee[3] && !m.routes.RouteAffichee[4]);
        QCOMPARE(m.routes.CheminRelai[3], QString("45"));
        QVERIFY(m.routes.CheminRelai[4].isEmpty());
        QCOMPARE(m.routes.DebutRoute[3], started4);
        QCOMPARE(m.routes.DebutRoute[4], qint64(777));
        QCOMPARE(m.routes.DebutRoute.last(), qint64(0));
        QCOMPARE(m.state.IndexBouton, 3);
        QCOMPARE(m.routes.DebutRoute.size(), m.routes.RouteAffichee.size());
        QCOMPARE(m.routes.CheminRelai.size(), m.routes.RouteAffichee.size());
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
