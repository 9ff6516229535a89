// The colour entries of the menus: stored in relai.db and applied to the map,
// through the real window.

#include "testmain.h"
#include "testsupport.h"

#include "core/convert.h"
#include "map/mainmenus.h"
#include "map/maplabel.h"
#include "map/maproutines.h"

#include <QGraphicsLineItem>

namespace {

// What the map shows in each colour: names, second labels, beams, routes.
QVector<QVector<QColor>> mapColours(MapScene *s)
{
    QVector<QVector<QColor>> out(4);
    for (int i = 1; i <= s->repeaterCount(); ++i) {
        out[0] << s->FreqE[i]->color();
        out[1] << s->FreqR[i]->color();
    }
    for (int part : {2, 3})
        for (QGraphicsLineItem *l : part == 2 ? s->Ligne : s->LigneAct)
            if (l->isVisible())
                out[part] << l->pen().color();
    return out;
}

QVector<quint32> colours(const Settings &s)
{
    return {s.couleurRepos, s.couleurActif, s.couleurFaisceau, s.couleurLigne};
}

} // namespace

class tst_menus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettings(); }

    void colourEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("part");  // in mapColours() and colours()
        QTest::newRow("Couleur Nom Relais") << "Couleur2" << 0;
        QTest::newRow("Couleur Nom Commande") << "Couleur" << 1;
        QTest::newRow("Couleur Faisceaux") << "CoulFaisc" << 2;
        QTest::newRow("Couleur Routage") << "CoulLigne" << 3;
    }
    // Each entry offers the stored colour; Cancel changes nothing; a colour is
    // stored and shown on its own part of the map only; a colour that cannot
    // be stored is reported and changes nothing.
    void colourEntries()
    {
        QFETCH(QString, entry);
        QFETCH(int, part);
        MainFixture f;
        MapScene *scene = f.w->scene();
        // One route on the map, the second repeater showing a command.
        f.ctx.routes.CheminsActifs = QStringLiteral("12");
        f.w->routines()->TraceChemins(f.ctx.routes.CheminsActifs);
        scene->setLabels(2, QStringLiteral("Tx cam"), QStringLiteral("Rx 1255"), f.ctx.state.CouleurActif());
        const auto state = [&] {
            const SharedState &s = f.ctx.state;
            return QVector<quint32>{s.CouleurRepos(), s.CouleurActif(), s.CouleurFaisceau(), s.CouleurLigne()};
        };
        QVector<quint32> stored = colours(f.ws.storedSettings());
        QVector<QVector<QColor>> shown = mapColours(scene);
        QCOMPARE(shown[3].size(), 1);
        QVERIFY(!shown[2].isEmpty());

        QColor offered, answer;  // no answer: Cancel
        f.w->findChild<MainMenus *>()->colourDialog = [&](const QColor &initial, const QString &) {
            offered = initial;
            return answer.isValid() ? std::optional<QColor>(answer) : std::nullopt;
        };
        QAction *action = f.w->findChild<QAction *>(entry);
        action->trigger();
        QCOMPARE(offered, colorFromBgr(stored[part]));
        QCOMPARE(colours(f.ws.storedSettings()), stored);
        QCOMPARE(mapColours(scene), shown);

        answer = QColor(0x12, 0x34, 0x56);
        action->trigger();
        stored[part] = 0x00563412;
        shown[part].fill(colorFromBgr(stored[part]));
        QCOMPARE(colours(f.ws.storedSettings()), stored);
        QCOMPARE(state(), stored);
        QCOMPARE(mapColours(scene), shown);

        QSqlQuery q(f.ctx.store.database());
        QVERIFY(q.exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                       "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END"));
        answer = QColor(Qt::green);
        ModalAnswer seen;
        action->trigger();
        QVERIFY2(seen.text.startsWith(QStringLiteral("La couleur n'a pas pu être enregistrée"))
                     && seen.text.contains("lecture seule"),
                 qPrintable(seen.text));
        QCOMPARE(colours(f.ws.storedSettings()), stored);
        QCOMPARE(state(), stored);
        QCOMPARE(mapColours(scene), shown);
    }
};

PONTAVEL_TEST(tst_menus)
#include "tst_menus.moc"
