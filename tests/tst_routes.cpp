// The routes on the map without a window: beam and route strings, what a
// confirmed command does to the route state, the countdowns, "Efface" and the
// renumbering after a repeater left the table.

#include "core/routes.h"
#include "core/routestate.h"
#include "core/sharedstate.h"

#include <QtTest>

using Segments = QVector<Routes::Segment>;

namespace {

// Repeaters keyed 1..n (or by `keys`), with the beams given.
QVector<Repeater> network(int n = 4, const QStringList &chemins = {}, const QString &keys = "123456")
{
    QVector<Repeater> list;
    for (int i = 1; i <= n; ++i)
        list << Repeater{i, QStringLiteral("R%1").arg(i), keys.mid(i - 1, 1), "F", 0, 0, 0, 0, chemins.value(i - 1)};
    return list;
}

// The route state of five repeaters keyed 1..5 on a clock the test moves,
// and what the map was last told about each repeater.
struct Model
{
    Settings row;  // the stored colours handed to the state
    SharedState state;
    RouteState routes{state};
    qint64 now = 1000000;
    QMap<int, bool> active;
    QMap<int, QString> labels, countdown;
    QString drawn;  // the last route string drawn
    int draws = 0;

    explicit Model(const QString &keys = "12345")
    {
        row.activeColour = 0xAA;
        row.idleColour = 0xBB;
        routes.setColours(row);
        routes.setClock([this] { return now; });
        routes.setRepeaters(network(keys.size(), {}, keys));
        QObject::connect(&routes, &RouteState::activeChanged, [this](int i, bool on) { active[i] = on; });
        QObject::connect(&routes, &RouteState::labelsChanged, [this](int i, const QString &a, const QString &b, quint32 c) {
            labels[i] = QStringLiteral("%1/%2/%3").arg(a, b).arg(c, 0, 16);
        });
        QObject::connect(&routes, &RouteState::labelsRestored, [this](int i, quint32 c) { labels[i] = QString::number(c, 16); });
        QObject::connect(&routes, &RouteState::countdownChanged, [this](int i, const QString &t, const QColor &c) {
            countdown[i] = t + (c == QColor(0, 255, 0) ? " vert" : c == QColor(255, 0, 0) ? " rouge" : c.isValid() ? " ?" : "");
        });
        QObject::connect(&routes, &RouteState::routesChanged, [this](const QString &c) { drawn = c, ++draws; });
    }
    // A command of repeater `from` confirmed, `after` ms later.
    void send(int from, const QString &chemin, const QString &relais, qint64 after = 0)
    {
        now += after;
        routes.AfficheRoute(from, Command{0, "Tx", "Rx", {}, chemin, relais});
    }
    // The clock `seconds` (and a little) after repeater i's route began, then
    // one step: its countdown then.
    QString at(qint64 seconds, int i)
    {
        now = routes.DebutRoute[i] + seconds * 1000 + 50;
        routes.tick();
        return countdown[i];
    }
    // What the map shows of repeater i: active icon, route shown, its route,
    // countdown and its colour, labels (colour only when name and frequency).
    QString look(int i)
    {
        const bool hidden = countdown[i].isEmpty() || countdown[i].startsWith(' ');
        return QStringList{active[i] ? "actif" : "", routes.RouteAffichee[i] ? "affiché" : "", routes.CheminRelai[i],
                           hidden ? "" : countdown[i], labels[i]}.join('|');
    }
};

} // namespace

class tst_Routes : public QObject
{
    Q_OBJECT
private slots:
    void beamsAndRouteStrings()
    {
        const struct { QStringList chemins; Segments want; } beams[] = {
            {{"12", "23", "3", ""}, {{1, 2}, {2, 3}}},  // one key: no beam
            {{"125", ""}, {{1, 2}, {2, 2}}},            // 5 matches nothing: the segment goes nowhere yet
            {{"93"}, {{1, 3}}},                         // an unknown first key starts at repeater 1
            {{"19"}, {{1, 0}}},                         // an unknown later key before any match: 0, not drawn
            {{"14", "29"}, {{1, 4}, {2, 4}}},           // the last matched later key is kept across rows
        };
        for (const auto &c : beams)
            QCOMPARE(Routes::beams(network(4, c.chemins)), c.want);
        const QString keys = "0123456789ABCD#*";
        QCOMPARE(Routes::beams(network(16, QStringList(16, keys), keys)).size(), 16 * 15);  // not limited in number
        const struct { const char *chemin; Segments want; } routes[] = {
            {"12-34", {{1, 2}, {3, 4}}}, {"  12", {{1, 2}}}, {"1-23", {{2, 3}}},
            {"1234-24", {{1, 2}, {2, 3}, {3, 4}, {2, 4}}}, {"", {}}, {"   ", {}}, {"1", {}}, {"-", {}},
        };
        for (const auto &c : routes)
            QCOMPARE(Routes::routes(c.chemin, network()), c.want);
        QCOMPARE(Routes::routes("12", network(5, {}, "12342")), (Segments{{1, 5}}));  // the last match wins
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
        QCOMPARE(Routes::appendRoute("", "12") + ' ' + Routes::appendRoute("12", "345") + ' ' + Routes::appendRoute("12", ""),
                 "12 12-345 12");
        const qint64 remaining[][3] = {{1000, 1000, 300}, {1000, 1999, 300}, {1000, 2000, 299}, {1500, 1000, 301}};
        for (const auto &r : remaining)  // a start a little ahead of the clock counts as a whole second ahead
            QCOMPARE(RouteState::remaining(5, r[0], r[1]), r[2]);
        QCOMPARE(RouteState::format(245) + RouteState::format(125 * 60) + RouteState::format(59), "04:05125:0000:59");
        QVERIFY(RouteState::colour(181) == QColor(0, 255, 0) && RouteState::colour(179) == QColor(255, 0, 0));
        QVERIFY(!RouteState::colour(180).isValid());
    }

    void routeSegmentsGoToTheirRepeaters()
    {
        Model m;
        m.send(3, "1234-25", "12");
        QCOMPARE(m.drawn + ' ' + m.routes.CheminsActifs, "1234-25 1234-25");
        QCOMPARE(m.look(1) + ' ' + m.look(2) + ' ' + m.look(3), "actif|affiché|1234|| actif|affiché|25|| ||||Tx/Rx/aa");
        QCOMPARE(m.routes.DebutRoute[1], m.now);
        // The same repeaters again: their old routes leave, the new ones come.
        m.send(3, "15-53", "12");
        QCOMPARE(m.routes.CheminsActifs + ' ' + m.routes.CheminRelai[1], "15-53 15");
        m.routes.RestaureLibelles(3, "Charlie", "2370");
        QCOMPARE(m.labels[3], QString("Charlie/2370/bb"));
        // An empty relais ends the clicked repeater's display.
        m.routes.CheminRelai[4] = "53";
        m.routes.RouteAffichee[4] = true;
        m.send(4, "45", "");
        QCOMPARE(m.drawn + ' ' + m.look(4), "15 ||||bb");
        // Marked by their keys alone: active, with a countdown.
        m.routes.ActiveRelais("34");
        m.routes.tick();
        QCOMPARE(m.look(4), "actif|affiché||05:00 vert|bb");
    }

    void unmatchedKeysShortRoutesAndDuplicateKeys()
    {
        Model m;
        // Repeater 1 counted long ago; an unmatched key lands on it with a fresh start.
        m.routes.DebutRoute[1] = m.now - 3600 * 1000;
        m.send(4, "43", "9");
        QVERIFY(m.look(1) == "actif|affiché|43||" && m.routes.DebutRoute[1] == m.now);
        // More repeaters than segments: the later ones get no route.
        m.send(4, "23", "235");
        QCOMPARE(m.look(2) + ' ' + m.look(3) + ' ' + m.look(5), "actif|affiché|23|| actif|affiché||| actif|affiché|||");
        QCOMPARE(m.routes.CheminsActifs, QString("43-23"));
        // The last row keyed 2 owns the segment; both show as active.
        Model d("123452");
        d.send(1, "21", "2");
        QCOMPARE(d.look(2) + ' ' + d.look(6), "actif|affiché||| actif|affiché|21||");
        // EffaceChemin with no route shown keeps the repeater's route.
        Model e;
        e.routes.CheminRelai[2] = "23";
        e.routes.RouteAffichee[2] = true;
        e.routes.EffaceChemin(2);
        QVERIFY(e.look(2) == "||23||bb" && e.draws == 0);
    }

    void countdownFollowsTheClockAndEndsTheRoute()
    {
        Model m;
        m.send(1, "12", "1");
        m.routes.tick();
        QCOMPARE(m.look(1) + ' ' + m.look(2), "actif|affiché|12|05:00 vert|Tx/Rx/aa ||||");  // 2 not marked: no countdown
        QCOMPARE(m.at(119, 1), "03:01 vert");
        QCOMPARE(m.at(121, 1), "02:59 rouge");
        m.routes.DureeAffichage = 10;  // the duration changed meanwhile: the running countdown follows
        m.routes.tick();
        QCOMPARE(m.countdown[1], "07:59 vert");
        m.routes.DureeAffichage = 5;
        m.at(303, 1);  // a step that never lands on 0 ends the route all the same
        QCOMPARE(m.look(1) + m.routes.CheminsActifs, "||||bb");
        // Three minutes start in the old colour and end exactly on 0.
        m.routes.DureeAffichage = 3;
        m.send(2, "23", "2");
        m.routes.tick();
        QCOMPARE(m.countdown[2], "03:00");
        QCOMPARE(m.at(1, 2), "02:59 rouge");
        m.at(180, 2);
        QCOMPARE(m.look(2), "||||bb");
        // "Efface": every route off, and nothing comes back on the next steps.
        m.send(1, "1234-25", "12");
        m.send(3, "35", "3");
        m.routes.tick();
        m.routes.clearRoutes();
        QVERIFY(m.routes.CheminsActifs.isEmpty() && m.drawn.isEmpty());
        m.now += 1000;
        m.routes.tick();
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(m.look(i), "||||bb");
    }

    void laterRouteExpiringLeavesTheFirstWhole()
    {
        Model t;
        t.send(1, "12", "1");
        t.send(3, "1234", "3", 20000);
        QCOMPARE(t.routes.CheminsActifs, QString("12-1234"));
        // Repeater 1 is sent again, so its countdown starts anew and repeater 3's ends first.
        t.send(1, "12", "1", 20000);
        QCOMPARE(t.routes.CheminsActifs, QString("1234-12"));
        t.at(300, 3);
        QCOMPARE(t.drawn + ' ' + t.look(1) + ' ' + t.look(3), "12 actif|affiché|12|00:20 rouge|Tx/Rx/aa ||||bb");
        // The first one shown, then the second: each leaves the other whole.
        Model u;
        u.send(1, "12", "1");
        u.send(4, "45", "4", 10000);
        u.at(300, 1);
        QCOMPARE(u.routes.CheminsActifs, QString("45"));
        u.at(300, 4);
        QCOMPARE(u.look(1) + ' ' + u.look(4) + ' ' + u.routes.CheminsActifs, "||||bb ||||bb ");
    }

    // Repeater 2 leaves the table: its route ends, the following repeaters'
    // routes, start times and the clicked repeater move one number down.
    void deletingARepeaterRenumbersTheRouteState()
    {
        Model m;
        m.send(2, "23", "2");
        m.send(4, "45", "4", 30000);
        const qint64 started4 = m.routes.DebutRoute[4];
        m.routes.DebutRoute[5] = 777;  // a stale start of an idle repeater
        m.state.chooseRepeater(4);
        m.routes.repeaterDeleted(2);
        QCOMPARE(m.drawn, QString("45"));
        QVERIFY(!m.active[2] && m.countdown[2].isEmpty() && m.routes.RouteAffichee[3] && !m.routes.RouteAffichee[4]);
        QCOMPARE(m.routes.CheminRelai[3] + '|' + m.routes.CheminRelai[4], "45|");
        QCOMPARE(QList<qint64>({m.routes.DebutRoute[3], m.routes.DebutRoute[4], m.routes.DebutRoute.last()}),
                 QList<qint64>({started4, 777, 0}));
        QCOMPARE(m.state.IndexBouton(), 3);
        QVERIFY(m.routes.DebutRoute.size() == m.routes.RouteAffichee.size() && m.routes.CheminRelai.size() == m.routes.RouteAffichee.size());
        // The moved route still counts from its own start and ends on time.
        QVERIFY(!m.at(299, 3).isEmpty() && m.routes.RouteAffichee[3]);
        QVERIFY(m.at(300, 3).isEmpty() && !m.routes.RouteAffichee[3] && m.routes.CheminsActifs.isEmpty());
        m.state.chooseRepeater(1);  // deleting the clicked repeater leaves no repeater clicked
        m.routes.repeaterDeleted(1);
        QCOMPARE(m.state.IndexBouton(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_Routes)
#include "tst_routes.moc"
