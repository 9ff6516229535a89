// The command window's list of commands and its "&Fermer".

#include "testsupport.h"

#include "core/convert.h"
#include "map/maplabel.h"

#include <QPushButton>
#include <QRadioButton>
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
        QVERIFY(w && w->isModal() && w->Option1.size() == 35 && st.messages(w).isEmpty() && !w->CmdParam->isVisible());
        for (int i : {16, 2, 34}) {
            w->scroll->ensureWidgetVisible(w->Option1[i]);
            QTest::mouseClick(w->Option1[i], Qt::LeftButton);
            QVERIFY(w->chosenIndex() == i && w->CmdParam->isVisible());
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
        s->setLabels(4, "Cam", "Mire", st.ctx.state.CouleurActif());
        st.ctx.routes.RouteAffichee[4] = true;
        st.ctx.routes.CheminRelai[4] = "45";
        Relai *w = st.open(4);
        QVERIFY(w && w->Option1.isEmpty() && !w->CmdParam->isVisible());
        QTest::mouseClick(w->CmdFermer, Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(s->FreqE[4]->text() + ' ' + s->FreqR[4]->text(), QString("Delta 10450"));
        QVERIFY(!s->isActive(4) && s->FreqE[4]->color() == colorFromBgr(st.ctx.state.CouleurRepos()));
        // The countdown and the route of the repeater go on; nothing was sent.
        QVERIFY(st.ctx.routes.RouteAffichee[4] && st.ctx.routes.CheminRelai[4] == "45" && st.line.log.isEmpty());

        st.ws.exec("DROP TABLE \"5\"");
        w = st.open(5);
        QVERIFY(w && w->Option1.isEmpty() && st.messages(w).size() == 1);  // the unreadable table is reported
    }
};

QTEST_MAIN(tst_relai)
#include "tst_relai.moc"
