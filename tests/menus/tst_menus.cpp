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

QAction *action(frmMain &w, const char *name)
{
    auto *a = w.findChild<QAction *>(QLatin1String(name));
    if (!a)
        qWarning("no action %s", name);
    return a;
}

MainMenus *menus(frmMain &w)
{
    return w.findChild<MainMenus *>();
}

QVector<QColor> labelColours(const QVector<MapLabel *> &labels)
{
    QVector<QColor> out;
    for (MapLabel *l : labels)
        if (l)
            out << l->color();
    return out;
}

QVector<QColor> visibleLineColours(const QVector<QGraphicsLineItem *> &lines)
{
    QVector<QColor> out;
    for (QGraphicsLineItem *l : lines)
        if (l->isVisible())
            out << l->pen().color();
    return out;
}

} // namespace

class tst_menus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettings(); }

    void colourEntriesStoreAndApply_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("Couleur Nom Commande") << "Couleur";
        QTest::newRow("Couleur Nom Relais") << "Couleur2";
        QTest::newRow("Couleur Routage") << "CoulLigne";
        QTest::newRow("Couleur Faisceaux") << "CoulFaisc";
    }
    void colourEntriesStoreAndApply()
    {
        QFETCH(QString, entry);
        MainFixture f;
        frmMain &w = *f.w;
        SharedState &s = f.ctx.state;
        MapScene *scene = w.scene();
        // One route on the map, the second repeater showing a command.
        f.ctx.routes.CheminsActifs = QStringLiteral("12");
        w.routines()->TraceChemins(f.ctx.routes.CheminsActifs);
        scene->setLabels(2, QStringLiteral("Tx cam"), QStringLiteral("Rx 1255"), s.CouleurActif());

        const Settings before = f.ws.storedSettings();
        const auto firstBefore = labelColours(scene->FreqE);
        const auto secondBefore = labelColours(scene->FreqR);
        const auto beamsBefore = visibleLineColours(scene->Ligne);
        const auto routesBefore = visibleLineColours(scene->LigneAct);
        QCOMPARE(routesBefore.size(), 1);
        QVERIFY(!beamsBefore.isEmpty());

        const QColor chosen(0x12, 0x34, 0x56);  // stored as 0x00563412
        QColor offered;
        menus(w)->colourDialog = [&](const QColor &initial, const QString &) -> std::optional<QColor> {
            offered = initial;
            return chosen;
        };
        action(w, entry.toLatin1().constData())->trigger();

        const Settings after = f.ws.storedSettings();
        const quint32 bgr = 0x00563412;
        QCOMPARE(bgrFromColor(chosen), bgr);
        const QColor c = colorFromBgr(bgr);
        const QVector<QColor> all2(2, c);
        if (entry == "Couleur") {
            QCOMPARE(offered, colorFromBgr(before.couleurActif));
            QCOMPARE(after.couleurActif, bgr);
            QCOMPARE(s.CouleurActif(), bgr);
            QCOMPARE(labelColours(scene->FreqR), all2);     // also the repeater showing its frequency
            QCOMPARE(labelColours(scene->FreqE), firstBefore);
        } else if (entry == "Couleur2") {
            QCOMPARE(offered, colorFromBgr(before.couleurRepos));
            QCOMPARE(after.couleurRepos, bgr);
            QCOMPARE(s.CouleurRepos(), bgr);
            QCOMPARE(labelColours(scene->FreqE), all2);
            QCOMPARE(labelColours(scene->FreqR), secondBefore);
        } else if (entry == "CoulLigne") {
            QCOMPARE(offered, colorFromBgr(before.couleurLigne));
            QCOMPARE(after.couleurLigne, bgr);
            QCOMPARE(visibleLineColours(scene->LigneAct), QVector<QColor>{c});
            QCOMPARE(visibleLineColours(scene->Ligne), beamsBefore);
        } else {
            QCOMPARE(offered, colorFromBgr(before.couleurFaisceau));
            QCOMPARE(after.couleurFaisceau, bgr);
            QCOMPARE(visibleLineColours(scene->Ligne), QVector<QColor>(beamsBefore.size(), c));
            QCOMPARE(visibleLineColours(scene->LigneAct), routesBefore);
        }
        // The other fields are untouched.
        if (entry != "Couleur")
            QCOMPARE(after.couleurActif, before.couleurActif);
        if (entry != "CoulFaisc")
            QCOMPARE(after.couleurFaisceau, before.couleurFaisceau);
    }

    void cancelChangesNothing()
    {
        MainFixture f;
        frmMain &w = *f.w;
        const Settings before = f.ws.storedSettings();
        const auto first = labelColours(w.scene()->FreqE);
        const auto second = labelColours(w.scene()->FreqR);
        const auto beams = visibleLineColours(w.scene()->Ligne);
        int asked = 0;
        menus(w)->colourDialog = [&](const QColor &, const QString &) -> std::optional<QColor> {
            ++asked;
            return std::nullopt;
        };
        for (const char *entry : {"Couleur", "Couleur2", "CoulLigne", "CoulFaisc"})
            action(w, entry)->trigger();
        QCOMPARE(asked, 4);
        const Settings after = f.ws.storedSettings();
        QCOMPARE(after.couleurActif, before.couleurActif);
        QCOMPARE(after.couleurRepos, before.couleurRepos);
        QCOMPARE(after.couleurLigne, before.couleurLigne);
        QCOMPARE(after.couleurFaisceau, before.couleurFaisceau);
        QCOMPARE(f.ctx.state.CouleurActif(), before.couleurActif);
        QCOMPARE(f.ctx.state.CouleurFaisceau(), before.couleurFaisceau);
        QCOMPARE(labelColours(w.scene()->FreqE), first);
        QCOMPARE(labelColours(w.scene()->FreqR), second);
        QCOMPARE(visibleLineColours(w.scene()->Ligne), beams);
    }

    void colourWriteFailureIsReportedAndChangesNothing()
    {
        MainFixture f;
        frmMain &w = *f.w;
        {
            QSqlQuery q(f.ctx.store.database());
            QVERIFY(q.exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                           "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END"));
        }
        const Settings before = f.ws.storedSettings();
        const auto first = labelColours(w.scene()->FreqE);
        menus(w)->colourDialog = [](const QColor &, const QString &) -> std::optional<QColor> { return QColor(Qt::green); };
        ModalAnswer seen;
        action(w, "Couleur2")->trigger();
        QVERIFY(seen.seen);
        QVERIFY2(seen.text.startsWith(QStringLiteral("La couleur n'a pas pu être enregistrée")), qPrintable(seen.text));
        QVERIFY(seen.text.contains("lecture seule"));
        QCOMPARE(f.ws.storedSettings().couleurRepos, before.couleurRepos);
        QCOMPARE(f.ctx.state.CouleurRepos(), before.couleurRepos);
        QCOMPARE(labelColours(w.scene()->FreqE), first);
    }

};

PONTAVEL_TEST(tst_menus)
#include "tst_menus.moc"
