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
    // Every command of a long table can be reached and chosen: the choice is
    // what gets sent.
    void everyCommandListedAndChosen()
    {
        Station st;
        for (int k = 0; k < 35; ++k)
            st.ws.addCommand(3, QString("Tx%1").arg(k), QString("Rx%1").arg(k), {"1"});
        st.load();
        Relai *w = st.open(3);
        QVERIFY(w);
        QCOMPARE(w->Option1.size(), 35);
        QCOMPARE(w->Option1[34]->text(), QString("Tx34 Rx34"));
        QVERIFY(st.messages(w).isEmpty());
        QVERIFY(!w->CmdParam->isVisible());
        for (int i : {16, 2, 34}) {
            w->scroll->ensureWidgetVisible(w->Option1[i]);
            QTest::mouseClick(w->Option1[i], Qt::LeftButton);
            QCOMPARE(w->chosenIndex(), i);
            QVERIFY(w->CmdParam->isVisible());
        }
    }

    void repeaterWithoutCommandsOnlyCloses()
    {
        Station st;
        st.load();
        // An active look and other labels, to see "&Fermer" put them back.
        st.frm->scene()->setActive(4, true);
        st.frm->scene()->setLabels(4, "Cam", "Mire", st.ctx.state.CouleurActif());
        st.ctx.routes.RouteAffichee[4] = true;
        st.ctx.routes.CheminRelai[4] = "45";
        Relai *w = st.open(4);
        QVERIFY(w);
        QVERIFY(w->Option1.isEmpty());
        QVERIFY(!w->CmdParam->isVisible());
        QTest::mouseClick(w->CmdFermer, Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        MapScene *s = st.frm->scene();
        QVERIFY(!s->isActive(4));
        QCOMPARE(s->FreqE[4]->text(), QString("Delta"));
        QCOMPARE(s->FreqR[4]->text(), QString("10450"));
        QCOMPARE(s->FreqE[4]->color(), colorFromBgr(st.ctx.state.CouleurRepos()));
        // The countdown and the route of the repeater go on.
        QVERIFY(st.ctx.routes.RouteAffichee[4]);
        QCOMPARE(st.ctx.routes.CheminRelai[4], QString("45"));
        QVERIFY(st.line.log.isEmpty());
    }

    void unreadableTableIsReported()
    {
        Station st;
        st.load();
        st.ws.exec("DROP TABLE \"5\"");
        Relai *w = st.open(5);
        QVERIFY(w);
        QVERIFY(w->Option1.isEmpty());
        QCOMPARE(st.messages(w).size(), 1);
        QCOMPARE(st.messages(w)[0]->standardButtons(), QMessageBox::Ok);
    }

    void oneWindowAtATime()
    {
        Station st;
        st.load();
        Relai *w = st.open(1);
        QVERIFY(w);
        QVERIFY(w->isModal());
        st.frm->openCommandWindow(2);
        QCOMPARE(st.frm->findChildren<Relai *>().size(), 1);
    }
};

QTEST_MAIN(tst_relai)
#include "tst_relai.moc"
