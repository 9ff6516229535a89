// Sending from the command window and the DTMF keys through the station's real
// transmitter: its line's keying recorded, its tones played to a null sink and decoded.

#include "testsupport.h"
#include "pulsefixture.h"

#include "command/sendmachine.h"
#include "map/keypad.h"
#include "map/maplabel.h"
#include "map/txindicator.h"
#include "rigdaemon.h"

#include <QSignalSpy>

class tst_send : public QObject
{
    Q_OBJECT
    PulseFixture pulse;

    // Tone files of `keys` (the keypad's, "+" for "*", when `repeater` is 0), the
    // station loaded, and the window of `repeater` open on its first command.
    static Relai *ready(Station &st, const QString &keys, int repeater = 1)
    {
        for (QChar k : keys)
            writeDtmfFile((repeater ? "Wav/f" : "Wav2/2f") + QString(k) + ".wav", k == '+' ? QChar('*') : k, 8000, 60, 60);
        st.load();
        Relai *w = QTest::qWaitForWindowExposed(st.frm.get()) && repeater ? st.open(repeater) : nullptr;
        if (w && options(w) > 0)
            QTest::mouseClick(option(w, 0), Qt::LeftButton);
        return w;
    }
    static QMessageBox *question(Relai *w)
    {
        return QTest::qWaitFor([w] { return w->questionBox() && w->questionBox()->isVisible(); }, 5000) ? w->questionBox() : nullptr;
    }
    // A tone on its way: the command window's sequence or a key held.
    static bool sending(const Station &st)
    {
        const Relai *w = st.frm ? st.frm->findChild<Relai *>() : nullptr;
        const Keypad *k = st.frm ? st.frm->findChild<Keypad *>() : nullptr;
        return (w && w->machine()->isPlaying()) || (k && k->isHeld());
    }
    static bool idle(const Station &st)
    {
        return !st.line.on && !st.ctx.transmitter->isBusy() && !sending(st) && !QApplication::overrideCursor();
    }

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
        RouteState &routes = st.ctx.routes;
        routes.CheminsActifs = routes.CheminRelai[3] = "34";
        QVERIFY(pulse.record("exchange.wav"));
        QTest::mouseClick(pushButton(w, "CmdParam"), Qt::LeftButton);
        // On the air: the hourglass, the buttons held back.
        QVERIFY(sending(st) && QApplication::overrideCursor());
        QTest::mouseClick(pushButton(w, "CmdParam"), Qt::LeftButton);
        QTest::mouseClick(pushButton(w, "CmdFermer"), Qt::LeftButton);
        int confirmed = 0;
        for (QChar a : answers) {
            QMessageBox *box = question(w);
            QVERIFY2(box && box->text() == SendMachine::question(confirmed), qPrintable(box ? box->text() : "no question"));
            QVERIFY(idle(st) && !routes.RouteAffichee[1]);
            confirmed += a == 'Y';
            QTest::mouseClick(box->button(a == 'Y' ? QMessageBox::Yes : a == 'N' ? QMessageBox::No : QMessageBox::Cancel),
                              Qt::LeftButton);
        }
        const bool done = answers.endsWith('Y');
        QTRY_COMPARE(!st.frm->findChild<Relai *>(), done);
        QCOMPARE(pulse.heard("exchange.wav"), heard);
        QCOMPARE(st.line.log.join(' '), QStringList(answers.size(), "on off").join(' '));
        QVERIFY(st.messages(st.frm.get()).isEmpty() && idle(st));
        QCOMPARE(routes.CheminRelai[1] + '|' + routes.CheminRelai[2] + '|' + routes.CheminRelai[3],
                 QString(done ? "1234|25|34" : "||34"));
        MapScene *scene = st.frm->scene();
        QCOMPARE(scene->isActive(1) && scene->isActive(2) && !scene->isActive(3) && routes.RouteAffichee[2], done);
        QCOMPARE(scene->nameLabel(1)->text(), QString(done ? "Ligne 1" : "Alpha"));
        // The countdown starts; a cancelled command leaves the window ready and the other route.
        QVERIFY(done ? QTest::qWaitFor([&] { return scene->countdownLabel(1)->isVisible(); })
                     : w->isVisible() && pushButton(w, "CmdParam")->isEnabled() && pushButton(w, "CmdFermer")->isEnabled() && routes.CheminsActifs == "34");
    }

    // Every way off the air ends the transmission: the command window's at
    // once, the keypad's once the tone is out (held, it would stay up 60 s).
    void everyWayOffTheAirReleases_data()
    {
        QTest::addColumn<int>("way");
        int i = 0;
        for (const char *way : {"Escape", "close box", "main window goes", "key dragged off", "pointer taken away", "another window in front", "main window hidden"})
            QTest::newRow(way) << i++;
    }
    void everyWayOffTheAirReleases()
    {
        QFETCH(int, way);
        Station st;
        st.ws.addCommand(2, "A", "B", {"111"}, "21", "2");
        Relai *w = ready(st, "1", way < 3 ? 2 : 0);
        QPushButton *key = st.key(1);
        QSignalSpy keyed(st.ctx.transmitter.get(), &Transmitter::keyedChanged);
        w ? QTest::mouseClick(pushButton(w, "CmdParam"), Qt::LeftButton) : QTest::mousePress(key, Qt::LeftButton);
        QVERIFY(keyed.wait(3000));
        QWidget other;
        QEvent leave(QEvent::Leave);
        switch (way) {
        case 0: QTest::keyClick(w, Qt::Key_Escape); break;
        case 1: w->close(); break;
        case 2: st.frm.reset(); break;
        case 3: QTest::mouseMove(key, QPoint(-40, 5)); break;
        case 4: QApplication::sendEvent(key, &leave); break;
        case 5: other.show(), other.activateWindow(); break;
        default: st.frm->hide();
        }
        QVERIFY(!w || idle(st));
        QTRY_VERIFY(idle(st));
        if (!w)
            QTest::mouseRelease(key, Qt::LeftButton);
        // Nothing follows: no question, no keying, no route.
        QTRY_VERIFY(!st.frm || !st.frm->findChild<Relai *>());
        QTest::qWait(300);
        QCOMPARE(st.line.log, (QStringList{"on", "off"}));
        QVERIFY(st.ctx.routes.CheminsActifs.isEmpty());
    }

    void refusalsSendNothingMore()
    {
        const QStringList says{"Wav/f9.wav", "wav1", "n'existe pas"};
        for (int kind : {0, 1, 2}) {  // tone file missing, later field unreadable, row gone since the list was filled
            Station st;
            st.ws.addCommand(1, "A", "B", {"19"}, "12", "1");  // f9.wav is missing
            if (kind == 1) {  // a table without the later sequence fields
                st.ws.exec("DROP TABLE \"1\"");
                st.ws.exec("CREATE TABLE \"1\" AS SELECT 1 AS \"N°\", 'A' AS \"Tx\", 'B' AS \"Rx\", '12' AS \"wav\"");
            }
            Relai *w = ready(st, "12");
            QVERIFY(w);
            st.ctx.routes.CheminsActifs = st.ctx.routes.CheminRelai[4] = "45";
            if (kind == 2)
                st.ws.exec("DELETE FROM \"1\"");
            QTest::mouseClick(pushButton(w, "CmdParam"), Qt::LeftButton);
            if (kind == 1) {
                QVERIFY(question(w));
                QTest::mouseClick(w->questionBox()->button(QMessageBox::Yes), Qt::LeftButton);
            }
            const auto boxes = st.messages(w);
            QCOMPARE(boxes.size(), 1);
            QVERIFY2(boxes[0]->text().contains(says[kind]) && boxes[0]->icon() == QMessageBox::Warning, qPrintable(boxes[0]->text()));
            QCOMPARE(st.line.log.size(), kind == 1 ? 2 : 0);
            QVERIFY(idle(st) && !(w->questionBox() && w->questionBox()->isVisible()));
            QVERIFY(w->isVisible() && pushButton(w, "CmdParam")->isEnabled());
            QVERIFY(st.ctx.routes.CheminsActifs == "45" && !st.ctx.routes.RouteAffichee[1]);
        }
    }

    void heldKeyStaysKeyedAndAClickPlaysItsWholeTone()
    {
        Station st;
        ready(st, "5+", 0);
        QVERIFY(pulse.record("pad.wav"));
        QTest::mousePress(st.key(5), Qt::LeftButton);
        QVERIFY(sending(st) && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        // The tone is long over: the line stays up while the key is held.
        QTRY_VERIFY_WITH_TIMEOUT(st.line.on && st.frm->findChild<TxIndicator *>()->text().startsWith("ÉMISSION 1 s"), 3000);
        QTest::mouseRelease(st.key(5), Qt::LeftButton);
        QTRY_VERIFY(idle(st));
        // A click shorter than the tone, with another button, on "*".
        QTest::mouseClick(st.key(15), Qt::RightButton);
        QVERIFY(st.ctx.transmitter->isBusy());
        QTRY_VERIFY(idle(st));
        QCOMPARE(st.line.log, (QStringList{"on", "off", "on", "off"}));
        QCOMPARE(pulse.heard("pad.wav"), QString("5*"));
    }

    // The line cannot be keyed, the transmit limit is reached, a tone file is
    // missing: the operator is told once. Not keyed: the tones stop, nothing is asked.
    void toldWhyATransmissionStopped()
    {
        QSettings().setValue("Emission/MaxTransmitSeconds", 1);
        auto reset = qScopeGuard([] { QSettings().remove("Emission/MaxTransmitSeconds"); });
        const QString limit = "Durée maximale d'émission atteinte (1 s)";
        for (const QString refuse : {"Le port /dev/ttyS0 est occupé par un autre programme.", ""}) {
            // The command window: refused, one message and no question; cut by the
            // limit, told, and the operator still answers, told why the tone was cut.
            Station st;
            st.line.refuse = refuse;
            st.ws.addCommand(1, "A", "B", {"0"}, "12", "1");
            QVERIFY(writeDtmfFile("Wav/f0.wav", '0', 8000, 1500));
            Relai *w = ready(st, "");
            QVERIFY(w);
            QTest::mouseClick(pushButton(w, "CmdParam"), Qt::LeftButton);
            QMessageBox *box = refuse.isEmpty() ? question(w) : nullptr;
            QTRY_VERIFY_WITH_TIMEOUT(!st.messages(w).isEmpty(), 5000);
            QTest::qWait(100);
            const auto shown = st.messages(w);
            QVERIFY2(shown.size() == 1 && shown[0]->text().contains(refuse.isEmpty() ? limit : refuse), qPrintable(shown[0]->text()));
            QCOMPARE(st.line.log.join(' '), refuse.isEmpty() ? "on off" : "");
            if (!refuse.isEmpty()) {
                QVERIFY(!w->questionBox() && idle(st));
                continue;
            }
            QVERIFY2(box && box->informativeText().startsWith(limit), qPrintable(box ? box->informativeText() : "no question"));
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            QTRY_VERIFY(!st.frm->findChild<Relai *>());
            QCOMPARE(st.ctx.routes.CheminRelai[1], QString("12"));
        }
        // A key: the key shows released. The line's refusal, the tone files, what is said, the keying.
        const QString cases[][4] = {{"", "7", limit, "on off"},
                                    {"Le port /dev/ttyS0 est absent.", "7", "Le port /dev/ttyS0 est absent.", ""},
                                    {"", "", "Wav2/2f7.wav", ""}};
        for (const auto &c : cases) {
            Station st;
            ready(st, c[1], 0);
            st.line.refuse = c[0];
            QPushButton *key = st.key(7);
            QTest::mousePress(key, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!st.messages(st.frm.get()).isEmpty(), 3000);
            const auto shown = st.messages(st.frm.get());
            QVERIFY2(shown.size() == 1 && shown[0]->text().contains(c[2]), qPrintable(shown[0]->text()));
            QVERIFY(idle(st) && (c[1].isEmpty() || !key->isDown()));
            QTest::mouseRelease(key, Qt::LeftButton);
            QCOMPARE(st.line.log.join(' '), c[3]);
        }
    }

    // The stored method through the command window: one that cannot key plays
    // nothing, asks nothing and says why once; rigctld keys the rig and releases it.
    void storedMethodKeysOrSaysWhyNot()
    {
        PseudoTerminal bare;  // without the shim: no modem lines to set
        Daemon rig;
        const int nobody = freePort();
        const QList<QList<std::pair<QString, QVariant>>> cases{
            {{"Ports/Com1", "/dev/pontavel-absent"}}, {{"Ports/Com1", bare.path()}},
            {{"Station/MethodePtt", "rigctld"}, {"Station/RigctldPort", nobody}},
            {{"Station/MethodePtt", "rigctld"}, {"Station/RigctldPort", rig.port}}};
        const QStringList says{"/dev/pontavel-absent est absent", "baisser DTR sur " + bare.path(),
                               QString("rigctld (127.0.0.1:%1) ne répond pas : connexion refusée").arg(nobody), ""};
        for (int i = 0; i < cases.size(); ++i) {
            for (const auto &[key, value] : cases[i])
                QSettings().setValue(key, value);
            auto reset = qScopeGuard([] { QSettings().remove("Ports"), QSettings().remove("Station"); });
            Station st;
            st.ws.addCommand(1, "A", "B", {"0"}, "12", "1");
            QVERIFY(writeDtmfFile("Wav/f0.wav", '0', 8000, 1500));
            Relai *w = ready(st, "");
            QVERIFY(w);
            st.ctx.transmitter->setPtt(st.ctx.ptts.chosen());
            QElapsedTimer clock;
            clock.start();
            QTest::mouseClick(pushButton(w, "CmdParam"), Qt::LeftButton);
            if (says[i].isEmpty()) {
                QTRY_VERIFY(st.ctx.transmitter->isKeyed());
                QTRY_COMPARE_WITH_TIMEOUT(pttState(rig.port), QByteArray("1"), 1500);
                QVERIFY(question(w) && !st.ctx.transmitter->isKeyed());
                QTRY_COMPARE_WITH_TIMEOUT(pttState(rig.port), QByteArray("0"), 1500);
                continue;
            }
            QTRY_VERIFY(!st.messages(w).isEmpty());
            const auto shown = st.messages(w);
            QVERIFY2(shown.size() == 1 && shown[0]->text().contains(says[i]) && clock.elapsed() < 1000,
                     qPrintable(shown.value(0) ? shown[0]->text() : "no message"));
            QTest::qWait(100);
            QVERIFY(!w->questionBox() && st.messages(w).size() == 1 && !st.ctx.transmitter->isBusy());
        }
    }
};

QTEST_MAIN(tst_send)
#include "tst_send.moc"
