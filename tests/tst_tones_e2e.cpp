// Through the real sound path: a private PulseAudio daemon with null sinks,
// what they played recorded and decoded by multimon-ng; serial ports are
// pseudo-terminals whose RTS line the preloaded shim logs.
#include "audio/tonefiles.h"
#include "pttdriver.h"
#include "ptt/voxptt.h"
#include "pulsefixture.h"
#include "testsupport.h"

#include <QPushButton>
#include <QRadioButton>

class TstTonesE2e : public QObject
{
    Q_OBJECT
    PulseFixture pulse;
    QTemporaryDir work;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        QDir::setCurrent(work.path());
        for (QChar k : QStringLiteral("0123456789ABCD#*"))
            QVERIFY(writeDtmfFile(commandToneFile(k), k) && writeDtmfFile(keypadToneFile(k), k));
    }

    void noSoundServerKeysNothing()
    {
        PttDriver driver;
        QProcessEnvironment env = pulse.environment();
        env.insert("PULSE_SERVER", "unix:" + pulse.path("nobody-listens-here"));
        QVERIFY(driver.ready());
        driver.start({"sequence", "1", commandToneFile('1')}, env, work.path());
        QVERIFY(driver.finish() && driver.exitCode() == 3);
        QVERIFY2(PttDriver::find(driver.output(), "REFUSED").text.contains("Aucune sortie son disponible"),
                 qPrintable(PttDriver::texts(driver.output())));
        QVERIFY2(driver.rts().isEmpty(), qPrintable(PttDriver::texts(driver.rts())));
    }

    // The station as the program builds it, on a folder nobody here made: the
    // row names Com4, bound per user to a pty; 8-bit tone files. From the
    // start, with no dialog opened, keypad and command key that pty only.
    void stationKeysItsStoredPortFromTheStart()
    {
        PseudoTerminal com1, com4;
        Station st;  // loaded below with its own serial line
        st.ws.addCommand(1, "Tx", "Rx", {"*#A"});
        st.ws.setParam("N°Com", 4);
        st.ws.closeStore();
        for (QChar k : QStringLiteral("*#A"))
            QVERIFY(writeDtmfFile(commandToneFile(k), k, 8000, 100, 100, SF_FORMAT_PCM_U8)
                    && writeDtmfFile(keypadToneFile(k), k, 8000, 100, 100, SF_FORMAT_PCM_U8));
        QSettings user;
        for (const auto &[key, value] : {std::pair<QString, QVariant>{"Ports/Com1", com1.path()}, {"Ports/Com4", com4.path()},
                                         {"Emission/LeadInMs", 100}, {"Emission/TailMs", 50}})
            user.setValue(key, value);
        auto reset = qScopeGuard([&] { user.remove("Ports"), user.remove("Emission"), qunsetenv("PONTAVEL_RTS_LOG"); });
        const QString log = pulse.path("station-rts.log");
        qputenv("PONTAVEL_RTS_LOG", QFile::encodeName(log));
        QVERIFY(pulse.record("station.wav"));
        (st.frm = st.ctx.makeMainWindow())->Load();
        st.frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(st.frm.get()));
        // A click shorter than lead-in and tone: the whole tone all the same.
        QTest::mouseClick(st.key(14), Qt::LeftButton);
        QTRY_VERIFY(!st.ctx.transmitter->isBusy());
        Relai *r = st.open(1);
        QVERIFY(r);
        QTest::mouseClick(option(r, 0), Qt::LeftButton);
        QTest::mouseClick(pushButton(r, "CmdParam"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(r->questionBox() && r->questionBox()->isVisible(), 5000);
        QVERIFY(!st.ctx.transmitter->isKeyed());
        QTest::mouseClick(r->questionBox()->button(QMessageBox::Yes), Qt::LeftButton);
        QCOMPARE(pulse.heard("station.wav"), QStringLiteral("#*#A"));
        // Once more on a warm sound server, for the keypad's tail below.
        QTest::mouseClick(st.key(14), Qt::LeftButton);
        QTRY_VERIFY(!st.ctx.transmitter->isBusy());
        QFile f(log);
        const QString edges = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        QVERIFY2(!edges.contains(com1.path()), qPrintable(edges));
        // Each of the three raised by the opening, held low, keyed, released.
        QVERIFY2(edges.count("RTS 1 " + com4.path()) == 6, qPrintable(edges));
        QCOMPARE(edges.count("RTS 0 " + com4.path()) + edges.count("CLOSE RTS 0"), 6);
        // The last key's click: keyed the lead-in, the whole file (tone and gap, 200 ms) and the tail.
        const QStringList lines = edges.trimmed().split('\n');
        const double keyedMs = (lines.value(lines.size() - 2).section(' ', 0, 0).toDouble()
                                - lines.value(lines.size() - 3).section(' ', 0, 0).toDouble()) * 1000;
        QVERIFY2(keyedMs > 100 + 200 + 50 - 20, qPrintable(QString::number(keyedMs) + "\n" + edges));
    }

    // Two sound outputs: tones go to the chosen one only, in order; a line that
    // cannot be keyed stops the tones at once; VOX plays them keying nothing;
    // once that output is gone, nothing is keyed and the message names it.
    // The sound server ends here.
    void chosenOutputOnly()
    {
        QString module;
        QVERIFY(pulse.pactl({"load-module", "module-null-sink", "sink_name=radio"}, &module));
        QTRY_VERIFY_WITH_TIMEOUT(!Transmitter::findOutput("radio", {}, nullptr).isNull(), 5000);
        QVERIFY(pulse.record("default.wav") && pulse.record("radio.wav", "radio"));
        Station::Line ptt;
        VoxPtt vox;
        ptt.refuse = "Le port /dev/ttyS0 est absent.";
        Transmitter tx(&ptt);
        tx.setOutput("radio", "Interface radio USB");
        QSignalSpy keyed(&tx, &Transmitter::keyedChanged), done(&tx, &Transmitter::finished);
        QString err;
        QVERIFY2(tx.startSequence(commandToneFiles("4444"), &err), qPrintable(err));
        QVERIFY(done.wait(9000) && !done[0][0].toBool() && done[0][1].toString().contains(ptt.refuse) && tx.keyingFailed());
        tx.setPtt(&vox);
        QVERIFY2(tx.startSequence(commandToneFiles("123#11"), &err), qPrintable(err));
        QVERIFY2(done.wait(9000) && done.size() == 2 && done[1][0].toBool() && !tx.isBusy(), qPrintable(done.value(1).value(1).toString()));
        // Nothing keyed, the transmit indicator shown all the same.
        QVERIFY(keyed.size() == 2 && keyed[0][0].toBool() && !keyed[1][0].toBool() && ptt.log.isEmpty());
        QCOMPARE(pulse.heard("radio.wav"), QStringLiteral("123#11"));
        QCOMPARE(decodeDtmf(pulse.path("default.wav")), QString());
        tx.setPtt(&ptt);

        // An output that never plays: the line drops, the command fails.
        ptt.refuse.clear();
        QVERIFY(pulse.pactl({"suspend-sink", "radio", "1"}) && tx.startSequence(commandToneFiles("1"), &err));
        QVERIFY(done.wait(9000) && !done[2][0].toBool() && done[2][1].toString().contains("pas terminée à temps"));
        QVERIFY(pulse.pactl({"unload-module", module.trimmed()}));
        QTRY_VERIFY_WITH_TIMEOUT(Transmitter::findOutput("radio", {}, nullptr).isNull(), 5000);
        QVERIFY(!tx.startSequence(commandToneFiles("19"), &err));
        QVERIFY2(err.contains("Interface radio USB") && err.contains("menu Port"), qPrintable(err));
        QVERIFY(!tx.startHeld(keypadToneFile('1'), &err) && ptt.log.size() == 2);

        // The sound server gone while playing: the same, at once.
        tx.setOutput("nullsink", {});
        QVERIFY2(tx.startSequence(commandToneFiles("1234567890"), &err), qPrintable(err));
        QTRY_VERIFY(ptt.on);
        pulse.crash();
        QVERIFY(done.wait(1000) && !done[3][0].toBool() && done[3][1].toString().contains("Erreur de la sortie son"));
        QCOMPARE(ptt.log, QStringList({"on", "off", "on", "off"}));
    }
};

QTEST_MAIN(TstTonesE2e)
#include "tst_tones_e2e.moc"
