// Menu bar, tool bar, view toggles, colours and the menu-opened dialogs of the
// main window, through the real window on a real relai.db.

#include "testmain.h"
#include "tst_menus_support.h"

#include "core/convert.h"
#include "dialogs/frmtempo.h"
#include "dialogs/helpwindow.h"
#include "dialogs/mainmenus.h"
#include "dialogs/proposa.h"
#include "map/maplabel.h"
#include "map/maproutines.h"
#include "map/mapscene.h"
#include "map/mapview.h"
#include "serial/frmproperties.h"

#include <QColorDialog>
#include <QDir>
#include <QGraphicsLineItem>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

#include <signal.h>

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

QStringList texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
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

    void viewTogglesKeepMarksAndBarsInStep()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QAction *tb = action(w, "mnuViewToolbar");
        QAction *sb = action(w, "mnuViewStatusBar");

        // Through the real menu: open "Affichage" and click "Barre d'outils".
        QMenu *view = w.findChild<QMenu *>("mnuView");
        view->popup(w.mapToGlobal(QPoint(100, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(tb).center());
        QVERIFY(!tb->isChecked());
        QVERIFY(!w.tbToolBar->isVisible());
        // Opening the menu again shows the entry without its mark.
        view->popup(w.mapToGlobal(QPoint(100, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QVERIFY(!tb->isChecked());
        QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(tb).center());
        QVERIFY(tb->isChecked());
        QVERIFY(w.tbToolBar->isVisible());

        sb->trigger();
        QVERIFY(!sb->isChecked());
        QVERIFY(!w.statusBar()->isVisible());
        sb->trigger();
        QVERIFY(sb->isChecked());
        QVERIFY(w.statusBar()->isVisible());

        // The tool bar hidden from its own context menu: the mark follows.
        w.tbToolBar->toggleViewAction()->trigger();
        QVERIFY(!w.tbToolBar->isVisible());
        QVERIFY(!tb->isChecked());
        tb->trigger();
        QVERIFY(w.tbToolBar->isVisible());
        QVERIFY(tb->isChecked());
    }

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

    void routeColourWithoutRouteDrawsNothing()
    {
        MainFixture f;
        frmMain &w = *f.w;
        menus(w)->colourDialog = [](const QColor &, const QString &) -> std::optional<QColor> { return QColor(Qt::magenta); };
        action(w, "CoulLigne")->trigger();
        QCOMPARE(f.ws.storedSettings().couleurLigne, bgrFromColor(QColor(Qt::magenta)));
        QVERIFY(visibleLineColours(w.scene()->LigneAct).isEmpty());
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

    void realColourDialog()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        const quint32 start = f.ctx.state.CouleurFaisceau();
        QColor shown;
        whenModal([&](QWidget *m) {
            auto *dlg = qobject_cast<QColorDialog *>(m);
            QVERIFY(dlg);
            shown = dlg->currentColor();
            dlg->setCurrentColor(QColor(10, 200, 30));
            dlg->accept();
        });
        action(w, "CoulFaisc")->trigger();
        QCOMPARE(shown, colorFromBgr(start));
        QCOMPARE(f.ws.storedSettings().couleurFaisceau, quint32(0x001EC80A));
        QCOMPARE(f.ctx.state.CouleurFaisceau(), quint32(0x001EC80A));

        // Cancel in the real dialog.
        whenModal([](QWidget *m) {
            auto *dlg = qobject_cast<QColorDialog *>(m);
            QVERIFY(dlg);
            dlg->setCurrentColor(Qt::red);
            dlg->reject();
        });
        action(w, "CoulFaisc")->trigger();
        QCOMPARE(f.ws.storedSettings().couleurFaisceau, quint32(0x001EC80A));
        QCOMPARE(f.ctx.state.CouleurFaisceau(), quint32(0x001EC80A));
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
        auto seen = acceptNextMessage();
        action(w, "Couleur2")->trigger();
        QVERIFY(seen->seen);
        QVERIFY2(seen->text.startsWith(QStringLiteral("La couleur n'a pas pu être enregistrée")), qPrintable(seen->text));
        QVERIFY(seen->text.contains("lecture seule"));
        QCOMPARE(f.ws.storedSettings().couleurRepos, before.couleurRepos);
        QCOMPARE(f.ctx.state.CouleurRepos(), before.couleurRepos);
        QCOMPARE(labelColours(w.scene()->FreqE), first);
    }

    void toolBarButtonsDoWhatTheirEntriesDo()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto click = [&](const char *name) {
            QWidget *button = w.tbToolBar->widgetForAction(action(w, name));
            QVERIFY(button);
            QTest::mouseClick(button, Qt::LeftButton);
        };

        QString opened;
        whenModal([&](QWidget *m) {
            opened = m->objectName() + "|" + m->windowTitle();
            m->close();
        });
        click("tbPort");
        QCOMPARE(opened, QStringLiteral("frmProperties|Propriétés CommPort"));

        click("tbAide");
        HelpWindow *help = menus(w)->helpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->browser->source().fileName(), QStringLiteral("index.html"));
        help->close();

        click("tbAideQuoi");
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();

        // A button with another key does nothing.
        QAction other(QStringLiteral("Autre"));
        other.setData(QStringLiteral("Autre"));
        menus(w)->toolbarClicked(&other);
        menus(w)->toolbarClicked(nullptr);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void tempoEntryShowsTheDurationAndStoresIt()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        QVERIFY(f.ctx.config.applyTempo(5, nullptr));
        QString shown;
        whenModal([&](QWidget *m) {
            auto *dlg = qobject_cast<frmTempo *>(m);
            QVERIFY(dlg);
            shown = dlg->tempo->text();
            dlg->tempo->setText(QStringLiteral("12"));
            QTest::mouseClick(dlg->CmdOk, Qt::LeftButton);
        });
        action(w, "TempoChem")->trigger();
        QCOMPARE(shown, QStringLiteral("5"));
        QCOMPARE(f.ctx.state.DureeAffichage(), 12);
        QCOMPARE(f.ws.storedSettings().tempo, 12.0);
    }

    void aboutBox()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        QString title, version;
        bool logo = false;
        whenModal([&](QWidget *m) {
            auto *dlg = qobject_cast<ProposA *>(m);
            QVERIFY(dlg);
            title = dlg->windowTitle();
            version = dlg->lblVersion->text();
            logo = !dlg->imgLogo->pixmap().isNull();
            QTest::mouseClick(dlg->OK, Qt::LeftButton);
        });
        action(w, "propos")->trigger();
        QCOMPARE(title, QStringLiteral("A propos de ..."));
        QCOMPARE(version, QStringLiteral("Version 4.0"));
        QVERIFY(logo);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void monitorEntry()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        QSettings().setValue("Moniteur/Programme", "pontavel-aucun-moniteur-xyz");
        auto seen = acceptNextMessage();
        action(w, "mnuViewTV")->trigger();
        QVERIFY(seen->seen);
        QCOMPARE(seen->text, QStringLiteral("Erreur : Impossible de trouver le fichier pontavel-aucun-moniteur-xyz"));
        QCOMPARE(seen->title, QStringLiteral("Pontavel"));

        // A program that starts: no message.
        QSettings().setValue("Moniteur/Programme", "true");
        auto none = acceptNextMessage();
        action(w, "mnuViewTV")->trigger();
        QTest::qWait(100);
        QVERIFY(!none->seen);
        QSettings().remove("Moniteur/Programme");
    }

    void quitClosesTheWindow()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        QVERIFY(w.isVisible());
        action(w, "Quit")->trigger();
        QVERIFY(!w.isVisible());
    }
};

PONTAVEL_TEST(tst_menus)
#include "tst_menus.moc"
