// Sending a command from the command window through the real transmitter: its
// line's keying recorded, its tones played to a null sink and decoded.

#include "testsupport.h"
#include "pulsefixture.h"

#include "command/sendmachine.h"
#include "map/maplabel.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

class tst_send : public QObject
{
    Q_OBJECT
    PulseFixture pulse;

    // Tone files of `keys`, the window of `repeater` open and its first command chosen.
    static Relai *ready(Station &st, const QString &keys, int repeater = 1)
    {
        for (QChar k : keys)
            writeDtmfFile(QStringLiteral("Wav/f") + k + ".wav", k, 8000, 60, 60);
        st.load();
        Relai *w = st.open(repeater);
        if (w && !w->Option1.isEmpty())
            QTest::mouseClick(w->Option1[0], Qt::LeftButton);
        return w;
    }
    static QMessageBox *question(Relai *w)
    {
        return QTest::qWaitFor([w] { return w->questionBox() && w->questionBox()->isVisible(); }, 5000)
                   ? w->questionBox() : nullptr;
    }
    static bool sending(const Station &st) { return st.ctx.state.EnvoiEnCours || QApplication::overrideCursor(); }

private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        QStandardPaths::setTestModeEnabled(true);
        QSettings().setValue("Emission/LeadInMs", 20);
        QSettings().setValue("Emission/TailMs", 20);
    }

    // Y, N, C: the operator's answers, one after each sequence played.
    void answersDriveTheExchange_data()
    {
        QTest::addColumn<QStringList>("sequences");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("heard");
        QTest::newRow("the third sequence empty") << QStringList{"12", "3"} << "YY" << "123";
        QTest::newRow("No repeats, Cancel keeps the map") << QStringList{"1*", "2"} << "NYC" << "1*1*2";
        QTest::newRow("five sequences") << QStringList{"1", "2", "3", "4", "5"} << "YYYYY" << "12345";
        QTest::newRow("empty first sequence") << QStringList{"", "2"} << "C" << "";
    }
    void answersDriveTheExchange()
    {
        QFETCH(QStringList, sequences);
        QFETCH(QString, answers);
        QFETCH(QString, heard);
        Station st;
        st.ws.addCommand(1, "Ligne 1", "Ligne 2", sequences, "1234-25", "12");
        Relai *w = ready(st, sequences.join(QString()));
        QVERIFY(w);
        // A route already shown through another repeater.
        st.ctx.routes.CheminsActifs = st.ctx.routes.CheminRelai[3] = "34";
        QVERIFY(pulse.record("exchange.wav"));
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        // On the air: the hourglass, the buttons held back.
        QVERIFY(st.ctx.state.EnvoiEnCours && QApplication::overrideCursor());
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QTest::mouseClick(w->CmdFermer, Qt::LeftButton);
        int confirmed = 0;
        for (QChar a : answers) {
            QMessageBox *box = question(w);
            QVERIFY(box);
            QCOMPARE(box->text(), SendMachine::question(confirmed));
            QVERIFY(!st.line.on && !sending(st) && !st.ctx.routes.RouteAffichee[1]);
            confirmed += a == 'Y';
            QTest::mouseClick(box->button(a == 'Y' ? QMessageBox::Yes : a == 'N' ? QMessageBox::No : QMessageBox::Cancel),
                              Qt::LeftButton);
        }
        const bool done = answers.endsWith('Y');
        if (done)
            QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(pulse.heard("exchange.wav"), heard);
        QCOMPARE(st.line.log.join(' '), QStringList(answers.size(), "on off").join(' '));
        QVERIFY(st.messages(st.frm.get()).isEmpty());
        QVERIFY(!sending(st));
        QCOMPARE(st.ctx.routes.CheminRelai[3], QString("34"));
        MapScene *scene = st.frm->scene();
        QCOMPARE(scene->isActive(1) && scene->isActive(2) && st.ctx.routes.RouteAffichee[2], done);
        QVERIFY(!scene->isActive(3));
        if (done) {
            QCOMPARE(st.ctx.routes.CheminRelai[1], QString("1234"));
            QCOMPARE(st.ctx.routes.CheminRelai[2], QString("25"));
            QCOMPARE(scene->FreqE[1]->text(), QString("Ligne 1"));
            QTRY_VERIFY(scene->Temps[1]->isVisible());
        } else {
            QVERIFY(w->isVisible() && w->CmdParam->isEnabled() && w->CmdFermer->isEnabled());
            QCOMPARE(st.ctx.routes.CheminsActifs, QString("34"));
            QCOMPARE(scene->FreqE[1]->text(), QString("Alpha"));
        }
    }

    void stoppingOnTheAirReleasesAtOnce_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Escape") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("main window goes") << 2;
    }
    void stoppingOnTheAirReleasesAtOnce()
    {
        QFETCH(int, way);
        Station st;
        st.ws.addCommand(2, "A", "B", {"111"}, "21", "2");
        Relai *w = ready(st, "1", 2);
        QVERIFY(w);
        QSignalSpy keyed(st.ctx.transmitter.get(), &Transmitter::keyedChanged);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QVERIFY(keyed.wait(3000));
        if (way == 0)
            QTest::keyClick(w, Qt::Key_Escape);
        else if (way == 1)
            w->close();
        else
            st.frm.reset();
        QCOMPARE(st.line.log, (QStringList{"on", "off"}));
        QVERIFY(!st.ctx.transmitter->isBusy() && !sending(st));
        if (st.frm)
            QTRY_VERIFY(!st.frm->findChild<Relai *>());
        // Nothing follows: no question, no keying, no route.
        QTest::qWait(500);
        QCOMPARE(st.line.log.size(), 2);
        QVERIFY(st.ctx.routes.CheminsActifs.isEmpty());
    }

    void refusalsSendNothingMore_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("keyings");
        QTest::newRow("tone file missing") << 0 << "Wav/f9.wav" << 0;
        QTest::newRow("later field unreadable") << 1 << "wav1" << 1;
        QTest::newRow("row gone since the list was filled") << 2 << "n'existe pas" << 0;
    }
    void refusalsSendNothingMore()
    {
        QFETCH(int, kind);
        QFETCH(QString, says);
        QFETCH(int, keyings);
        Station st;
        if (kind == 1) {
            // A command table without the later sequence fields.
            st.ws.exec("DROP TABLE \"1\"");
            st.ws.exec("CREATE TABLE \"1\" (\"N°\" INTEGER, \"Tx\" TEXT, \"Rx\" TEXT, \"wav\" TEXT)");
            st.ws.exec("INSERT INTO \"1\" VALUES (1, 'Court', 'Table', '12')");
        } else {
            st.ws.addCommand(1, "A", "B", {"19"}, "12", "1");
        }
        Relai *w = ready(st, "12");
        QVERIFY(w);
        st.ctx.routes.CheminsActifs = st.ctx.routes.CheminRelai[4] = "45";
        if (kind == 2)
            st.ws.exec("DELETE FROM \"1\"");
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        if (kind == 1) {
            QVERIFY(question(w));
            QTest::mouseClick(w->questionBox()->button(QMessageBox::Yes), Qt::LeftButton);
        }
        const auto boxes = st.messages(w);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0]->text().contains(says), qPrintable(boxes[0]->text()));
        QCOMPARE(boxes[0]->icon(), QMessageBox::Warning);
        QCOMPARE(st.line.log.size(), 2 * keyings);
        QVERIFY(!st.line.on && !sending(st) && !st.ctx.transmitter->isBusy());
        QVERIFY(!(w->questionBox() && w->questionBox()->isVisible()));
        QVERIFY(w->isVisible() && w->CmdParam->isEnabled());
        QCOMPARE(st.ctx.routes.CheminsActifs, QString("45"));
        QVERIFY(!st.ctx.routes.RouteAffichee[1]);
    }

    // The line cannot be keyed (the tones play on, for VOX stations) and the
    // tone outlasts the transmit limit: both are shown, and the operator still
    // answers, told why the tone was cut.
    void portAndTimeLimitAreShownAndTheOperatorAnswers()
    {
        QSettings().setValue("Emission/MaxTransmitSeconds", 1);
        auto reset = qScopeGuard([] { QSettings().remove("Emission/MaxTransmitSeconds"); });
        Station st;
        st.line.refuse = "Le port /dev/ttyS0 est occupé par un autre programme.";
        st.ws.addCommand(1, "A", "B", {"0"}, "12", "1");
        QVERIFY(writeDtmfFile("Wav/f0.wav", '0', 8000, 1500));
        Relai *w = ready(st, "");
        QVERIFY(w);
        QTest::mouseClick(w->CmdParam, Qt::LeftButton);
        QMessageBox *box = question(w);
        QVERIFY(box);
        QVERIFY2(box->informativeText().startsWith("Durée maximale d'émission atteinte (1 s)"),
                 qPrintable(box->informativeText()));
        QStringList texts;
        for (QMessageBox *b : st.messages(w))
            texts << b->text();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts.contains(st.line.refuse));
        QCOMPARE(texts.filter("Durée maximale d'émission atteinte (1 s)").size(), 1);
        QVERIFY(st.line.log.isEmpty());
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<Relai *>());
        QCOMPARE(st.ctx.routes.CheminRelai[1], QString("12"));
    }
};

QTEST_MAIN(tst_send)
#include "tst_send.moc"
