// The command window's list of commands and its "&Fermer".

#include "testsupport.h"

#include "core/convert.h"
#include "map/maplabel.h"

#include <QScrollArea>

class tst_relai : public QObject
{
    Q_OBJECT
private slots:
    // Every command of a long table can be reached and chosen; one window at a time.
    void everyCommandListedAndChosen()
    {
        Station st;
        for (int k = 0; k < 35; ++k)
            st.ws.addCommand(3, QString("Tx%1").arg(k), QString("Rx%1").arg(k), {"1"});
        st.load();
        Relai *w = st.open(3);
        QVERIFY(w && w->isModal() && options(w) == 35 && st.messages(w).isEmpty() && !pushButton(w, "CmdParam")->isVisible());
        for (int i : {16, 2, 34}) {
            w->findChild<QScrollArea *>("scroll")->ensureWidgetVisible(option(w, i));
            QTest::mouseClick(option(w, i), Qt::LeftButton);
            QVERIFY(w->chosenIndex() == i && pushButton(w, "CmdParam")->isVisible());
        }
        st.frm->openCommandWindow(2);
        QCOMPARE(st.frm->findChildren<Relai *>().size(), 1);
    }

    void repeaterWithoutCommandsOnlyCloses()
    {
        Station st;
        st.load();
        // An active look and other labels, to see "&Fermer" put them back.
        MapScene *s = st.frm->scene();
        s->setActive(4, true);
        s->setLabels(4, "Cam", "Mire", st.ctx.routes.CouleurActif());
        st.ctx.routes.RouteAffichee[4] = true;
        st.ctx.routes.CheminRelai[4] = "45";
        Relai *w = st.open(4);
        QVERIFY(w && options(w) == 0 && !pushButton(w, "CmdParam")->isVisible());
        QTest::mouseClick(pushButton(w, "CmdFermer"), Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(s->nameLabel(4)->text() + ' ' + s->frequencyLabel(4)->text(), QString("Delta 10450"));
        QVERIFY(!s->isActive(4) && s->nameLabel(4)->color() == colorFromBgr(st.ctx.routes.CouleurRepos()));
        // The countdown and the route of the repeater go on; nothing was sent.
        QVERIFY(st.ctx.routes.RouteAffichee[4] && st.ctx.routes.CheminRelai[4] == "45" && st.line.log.isEmpty());

        st.ws.exec("DROP TABLE \"5\"");
        w = st.open(5);
        QVERIFY(w && options(w) == 0 && st.messages(w).size() == 1);  // the unreadable table is reported
    }
};

QTEST_MAIN(tst_relai)
#include "tst_relai.moc"
