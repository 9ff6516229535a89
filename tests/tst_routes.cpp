// Beam and route strings: chains, lookups of unknown keys, and removing one
// repeater's route from the joined string of every route shown.

#include "map/routes.h"

#include <QtTest>

using Routes::Segment;

namespace {

Repeater rep(int n, const QString &key, const QString &chemin = {})
{
    Repeater r;
    r.numero = n;
    r.nom = QStringLiteral("R%1").arg(n);
    r.dtmf = key;
    r.chemin = chemin;
    return r;
}

// Four repeaters keyed 1..4, none with beams.
QVector<Repeater> network()
{
    return {rep(1, "1"), rep(2, "2"), rep(3, "3"), rep(4, "4")};
}

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
};

QTEST_APPLESS_MAIN(tst_Routes)
#include "tst_routes.moc"
