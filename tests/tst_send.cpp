// Sending a command from the command window: the exchange of sequences and
// questions, the route it draws, and every way it can stop.

#include "testsupport.h"

#include "command/sendmachine.h"
#include "map/countdowns.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"
#include "core/convert.h"

#include <QGraphicsLineItem>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>

class tst_send : public QObject
{
    Q_OBJECT

    static void choose(Relai *w, int i)
    {
        QTest::mouseClick(w->Option1[i], Qt::LeftButton);
        QVERIFY(w->CmdParam->isVisible());
    }
    static QMessageBox *waitQuestion(Relai *w)
    {
        const bool shown = QTest::qWaitFor([w] { return w->questionBox() && w->questionBox()->isVisible(); }, 3000);
        return shown ? w->questionBox() : nullptr;
    }
    static void answer(Relai *w, QMessageBox::StandardButton b)
    {
        QMessageBox *box = waitQuestion(w);
        QVERIFY(box);
        QTest::mouseClick(box->button(b), Qt::LeftButton);
    }
    static int visibleRouteLines(MapScene *s)
    {
        int n = 0;
        for (auto *l : s->LigneAct)
            n += l && l->isVisible();
        return n;
    }

private slots:
    void twoSequencesConfirmedDrawTheRoute()
    {
        Station st;
        makeToneFiles("Wav", "f", "123");
        st.ws.addCommand(1, "Ligne 1", "Ligne 2", {"12", "3"}, "1234-25", "12");
        st.load();
        st.tx->playMs = -1;  // the test ends each sequence itself
        Relai *w = st.open(1);
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QString("Alpha 438.5"));
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);

        // First sequence on the air: hourglass, buttons held back.
        QCOMPARE(st.tx->played.size(), 1);
        QCOMPARE(st.tx->played[0], (QStringList{"Wav/f1.wav", "Wav/f2.wav"}));
        QVERIFY(st.tx->isKeyed());
        QVERIFY(st.ctx.state.EnvoiEnCours);
        QVERIFY(QApplication::overrideCursor());
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QTest::mouseClick(w->CmdFermer, Qt::LeftButton);
        QCOMPARE(st.tx->played.size(), 1);
        QVERIFY(st.tx->refused.isEmpty());
        QVERIFY(w->isVisible());

        st.tx->finishNow();
        QMessageBox *box = waitQuestion(w);
        QVERIFY(box);
        QCOMPARE(box->text(), QString("Avez vous reçu le retour vaw  0 ?"));
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY(!st.tx->isKeyed());
        QVERIFY(!st.ctx.state.EnvoiEnCours);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(st.ctx.routes.CheminsActifs.isEmpty());

        answer(w, QMessageBox::Yes);
        QCOMPARE(st.tx->played.size(), 2);
        QCOMPARE(st.tx->played[1], QStringList{"Wav/f3.wav"});
        st.tx->finishNow();
        QVERIFY(waitQuestion(w));
        QCOMPARE(waitQuestion(w)->text(), QString("Avez vous reçu le retour vaw  1 ?"));
        answer(w, QMessageBox::Yes);

        // wav2 is empty: the command is done.
        QCOMPARE(st.tx->played.size(), 2);
        QCOMPARE(st.tx->log, (QStringList{"RTS on", "RTS off", "RTS on", "RTS off"}));
        const SharedState &s = st.ctx.state;
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("1234-25"));
        QCOMPARE(st.ctx.routes.CheminRelai[1], QString("1234"));
        QCOMPARE(st.ctx.routes.CheminRelai[2], QString("25"));
        QVERIFY(st.ctx.routes.RouteAffichee[1] && st.ctx.routes.RouteAffichee[2] && !st.ctx.routes.RouteAffichee[3]);
        MapScene *scene = st.frm->scene();
        QVERIFY(scene->isActive(1) && scene->isActive(2) && !scene->isActive(3));
        QCOMPARE(visibleRouteLines(scene), 4);
        QCOMPARE(scene->FreqE[1]->text(), QString("Ligne 1"));
        QCOMPARE(scene->FreqR[1]->text(), QString("Ligne 2"));
        QCOMPARE(scene->FreqE[1]->color(), colorFromBgr(s.CouleurActif()));
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        // The countdown runs on the main window.
        QTRY_VERIFY(scene->Temps[1]->isVisible());
        QCOMPARE(scene->Temps[1]->text(), QString("05:00"));
        QVERIFY(scene->Temps[2]->isVisible());
    }

    void noRepeatsAndCancelKeepsEverything()
    {
        Station st;
        makeToneFiles("Wav", "f", "12*");
        st.ws.addCommand(1, "Cam", "Mire", {"1*", "2"}, "12", "1");
        st.load();
        // A route already shown by another repeater.
        st.ctx.routes.CheminsActifs = "34";
        st.ctx.routes.CheminRelai[3] = "34";
        Relai *w = st.open(1);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        answer(w, QMessageBox::No);
        QCOMPARE(st.tx->played.size(), 2);
        QCOMPARE(st.tx->played[1], (QStringList{"Wav/f1.wav", "Wav/f*.wav"}));
        QVERIFY(waitQuestion(w));
        QCOMPARE(waitQuestion(w)->text(), QString("Avez vous reçu le retour vaw  0 ?"));
        answer(w, QMessageBox::Yes);
        QCOMPARE(st.tx->played.size(), 3);
        QCOMPARE(st.tx->played[2], QStringList{"Wav/f2.wav"});
        answer(w, QMessageBox::Cancel);

        QVERIFY(w->isVisible());
        QVERIFY(w->CmdParam->isEnabled() && w->CmdFermer->isEnabled());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("34"));
        QVERIFY(st.ctx.routes.CheminRelai[1].isEmpty());
        QVERIFY(!st.ctx.routes.RouteAffichee[1]);
        QVERIFY(!st.frm->scene()->isActive(1));
        QCOMPARE(st.frm->scene()->FreqE[1]->text(), QString("Alpha"));
        QVERIFY(!st.tx->isKeyed());
        QVERIFY(!QApplication::overrideCursor());

        // The user may send again; Escape while the tones play releases the transmitter.
        st.tx->playMs = -1;
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QCOMPARE(st.tx->played.size(), 4);
        QVERIFY(st.tx->isKeyed());
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!st.tx->isKeyed());
        QCOMPARE(st.tx->stopCalls, 1);
        QVERIFY(!st.ctx.state.EnvoiEnCours);
        QVERIFY(!QApplication::overrideCursor());
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("34"));
    }

    void closeBoxDuringTonesReleases()
    {
        Station st;
        makeToneFiles("Wav", "f", "1");
        st.ws.addCommand(2, "A", "B", {"111"}, "21", "2");
        st.load();
        st.tx->playMs = -1;
        Relai *w = st.open(2);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QVERIFY(st.tx->isKeyed());
        w->close();
        QVERIFY(!st.tx->isKeyed());
        QCOMPARE(st.tx->log, (QStringList{"RTS on", "stop", "RTS off"}));
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QVERIFY(st.ctx.routes.CheminsActifs.isEmpty());

        // The main window going away with the command window on the air.
        w = st.open(2);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QVERIFY(st.tx->isKeyed());
        st.frm.reset();
        QVERIFY(!st.tx->isKeyed());
        QCOMPARE(st.tx->stopCalls, 2);
        QVERIFY(!QApplication::overrideCursor());
    }

    void missingToneFileKeysNothing()
    {
        Station st;
        makeToneFiles("Wav", "f", "1");  // no f9.wav
        st.ws.addCommand(1, "A", "B", {"19"}, "12", "1");
        st.load();
        Relai *w = st.open(1);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QVERIFY(st.tx->played.isEmpty());
        QCOMPARE(st.tx->refused.size(), 1);
        QVERIFY(st.tx->log.isEmpty());  // never keyed
        const auto boxes = st.messages(w);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0]->text().contains("Wav/f9.wav"), qPrintable(boxes[0]->text()));
        QCOMPARE(boxes[0]->icon(), QMessageBox::Warning);
        QVERIFY(!w->questionBox());
        QVERIFY(w->isVisible() && w->CmdParam->isEnabled());
        QVERIFY(st.ctx.routes.CheminsActifs.isEmpty());
        QVERIFY(!st.ctx.routes.RouteAffichee[1]);
        QVERIFY(!st.ctx.state.EnvoiEnCours);
        QVERIFY(!QApplication::overrideCursor());
    }

    void runTimeErrorsLeaveTheRouteAlone()
    {
        Station st;
        makeToneFiles("Wav", "f", "123");
        // A command table that lacks the later sequence fields: wav1 cannot be read.
        st.ws.exec("DROP TABLE \"1\"");
        st.ws.exec("CREATE TABLE \"1\" (\"N°\" INTEGER, \"Tx\" TEXT, \"Rx\" TEXT, \"wav\" TEXT)");
        st.ws.exec("INSERT INTO \"1\" VALUES (1, 'Court', 'Table', '12')");
        st.ws.addCommand(2, "A", "B", {"3"}, "23", "2");
        st.ws.addCommand(2, "C", "D", {"3"}, "24", "2");
        st.load();
        st.ctx.routes.CheminsActifs = "45";
        st.ctx.routes.CheminRelai[4] = "45";

        Relai *w = st.open(1);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        answer(w, QMessageBox::Yes);
        auto boxes = st.messages(w);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0]->text().contains("wav1"), qPrintable(boxes[0]->text()));
        QCOMPARE(st.tx->played.size(), 1);
        QVERIFY(!st.tx->isKeyed());
        QVERIFY(w->isVisible());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("45"));
        QVERIFY(!st.ctx.routes.RouteAffichee[1]);
        QTest::mouseClick(w->CmdFermer, Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<Relai *>());

        // The chosen row has gone from the table since the list was filled.
        w = st.open(2);
        choose(w, 1);
        st.ws.exec("DELETE FROM \"2\" WHERE \"N°\" = 2");
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        boxes = st.messages(w);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->icon(), QMessageBox::Warning);
        QCOMPARE(st.tx->played.size(), 1);
        QVERIFY(w->isVisible());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("45"));
    }

    void portWarningAndMaximumTimeAreShown()
    {
        Station st;
        makeToneFiles("Wav", "f", "1");
        st.ws.addCommand(1, "A", "B", {"1"}, "12", "1");
        st.load();
        st.tx->portWarningText = "Le port /dev/ttyS0 ne peut pas être ouvert.";
        st.tx->maxTimeText = "Durée d'émission maximale atteinte.";
        Relai *w = st.open(1);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        // The tones go on: the question still comes.
        QMessageBox *question = waitQuestion(w);
        QVERIFY(question);
        QStringList texts;
        for (QMessageBox *b : st.messages(w)) {
            QCOMPARE(b->icon(), QMessageBox::Warning);
            texts << b->text();
        }
        texts.sort();
        QCOMPARE(texts, (QStringList{st.tx->maxTimeText, st.tx->portWarningText}));
        answer(w, QMessageBox::Yes);
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("12"));
    }

    void failedTransmissionIsToldInTheQuestion()
    {
        Station st;
        makeToneFiles("Wav", "f", "1");
        st.ws.addCommand(1, "A", "B", {"1"}, "12", "1");
        st.load();
        st.tx->finishOk = false;
        st.tx->finishError = "Sortie son interrompue.";
        Relai *w = st.open(1);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QVERIFY(waitQuestion(w));
        QCOMPARE(waitQuestion(w)->informativeText(), QString("Sortie son interrompue."));
        answer(w, QMessageBox::Cancel);
        QVERIFY(w->isVisible());
    }

    void fiveSequencesEndAfterTheFifthYes()
    {
        Station st;
        makeToneFiles("Wav", "f", "12345");
        st.ws.addCommand(5, "A", "B", {"1", "2", "3", "4", "5"}, "51", "5");
        st.load();
        Relai *w = st.open(5);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        for (int n = 0; n < 5; ++n) {
            QMessageBox *box = waitQuestion(w);
            QVERIFY(box);
            QCOMPARE(box->text(), SendMachine::question(n));
            answer(w, QMessageBox::Yes);
        }
        QCOMPARE(st.tx->played.size(), 5);
        QCOMPARE(st.tx->played[4], QStringList{"Wav/f5.wav"});
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("51"));
    }

    void emptyFirstSequenceStillAsks()
    {
        Station st;
        st.ws.addCommand(1, "A", "B", {"", "2"}, "12", "1");
        st.load();
        Relai *w = st.open(1);
        choose(w, 0);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QMessageBox *box = waitQuestion(w);
        QVERIFY(box);
        QCOMPARE(st.tx->played, QList<QStringList>{QStringList()});
        QCOMPARE(st.tx->log, (QStringList{"RTS on", "RTS off"}));
        answer(w, QMessageBox::Cancel);
    }
};

QTEST_MAIN(tst_send)
#include "tst_send.moc"
