// Through the real sound path: a private PulseAudio daemon with null sinks,
// what they played recorded and decoded by multimon-ng; serial ports are
// pseudo-terminals whose RTS line the preloaded shim logs.
#include "audio/tonefiles.h"
#include "pttdriver.h"
#include "store/journalexport.h"
#include "ptt/voxptt.h"
#include "listener.h"
#include "testsupport.h"

#include <QPushButton>
#include <QRadioButton>

#include <csignal>
#include <sys/resource.h>

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
                                         {"Emission/LeadInMs", 100}, {"Emission/TailMs", 250}})
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
        // Each of the three keyed as the port opens, released before it closes: no other edge.
        QVERIFY2(edges.count("RTS 1 " + com4.path()) == 3, qPrintable(edges));
        QCOMPARE(edges.count("RTS 0 " + com4.path()) + edges.count("CLOSE RTS 0"), 3);
        // The last key's click: keyed the lead-in, the whole file (tone and gap, 200 ms) and the tail;
        // without the tail it would be about 300 ms. A process late to key shortens it (lead-in).
        const QStringList lines = edges.trimmed().split('\n');
        const double up = lines.filter("RTS 1 ").last().section(' ', 0, 0).toDouble();
        const double keyedMs = (lines.filter("RTS 0 ").last().section(' ', 0, 0).toDouble() - up) * 1000;
        QVERIFY2(keyedMs > 100 + 200 + 250 - 60, qPrintable(QString::number(keyedMs) + "\n" + edges));

        // Ctrl+Q while a keypad key holds the transmitter: the line drops as the window goes.
        QTest::mousePress(st.key(14), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(st.ctx.transmitter->isKeyed(), 5000);
        st.frm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(st.frm.get()));
        QTest::keyClick(st.frm.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!st.frm->isVisible() && !st.ctx.transmitter->isKeyed());
        f.seek(0);
        const QStringList after = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        QVERIFY2(after.filter("RTS 1 " + com4.path()).size() == 4 && after.value(after.size() - 2).contains("RTS 0") && after.last().endsWith("CLOSE"), qPrintable(after.join('\n')));
    }

    // A keypad press, then a command answered Oui, Non, Annuler: one journal
    // row each, begun and completed within 50 ms of the RTS edges.
    void journalRowsOnTheRtsEdges()
    {
        PseudoTerminal com1;
        Station st;
        st.ws.addCommand(2, "Faisceau", "Nord", {"12", "3"});
        st.ws.closeStore();
        for (QChar k : QStringLiteral("123"))
            QVERIFY(writeDtmfFile(commandToneFile(k), k) && writeDtmfFile(keypadToneFile(k), k));
        QSettings user;
        user.setValue("Ports/Com1", com1.path());
        auto reset = qScopeGuard([&] { user.remove("Ports"), qunsetenv("PONTAVEL_RTS_LOG"); });
        const QString log = pulse.path("journal-rts.log");
        qputenv("PONTAVEL_RTS_LOG", QFile::encodeName(log));
        (st.frm = st.ctx.makeMainWindow())->Load();
        st.ctx.openJournal();
        st.frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(st.frm.get()));
        QTest::mouseClick(st.key(3), Qt::LeftButton);
        QTRY_VERIFY(!st.ctx.transmitter->isBusy());
        Relai *r = st.open(2);
        QVERIFY(r);
        QTest::mouseClick(option(r, 0), Qt::LeftButton);
        QTest::mouseClick(pushButton(r, "CmdParam"), Qt::LeftButton);
        for (auto answer : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
            QTRY_VERIFY_WITH_TIMEOUT(r->questionBox() && r->questionBox()->isVisible(), 5000);
            QTest::mouseClick(r->questionBox()->button(answer), Qt::LeftButton);
        }
        QList<JournalEntry> rows;
        st.ctx.journal.forEach({}, [&](const JournalEntry &e) { return rows.prepend(e), true; });
        QStringList got;
        for (const JournalEntry &e : rows)
            got << QStringList{JournalEntry::storedName(e.origin), e.repeaterName, e.repeaterKey, e.repeaterFreq, e.commandTx,
                               e.sequence, e.keysPlayed, JournalEntry::storedName(e.answer),
                               JournalEntry::storedName(e.outcome), e.pttMethod, e.pttPort}.join('|');
        const QString port = "|RTS|" + com1.path();
        QCOMPARE(got, QStringList({"clavier|||||3|3|aucune|termine" + port, "commande|Bravo|2|1255|Faisceau|12|12|oui|confirme" + port,
                                   "commande|Bravo|2|1255|Faisceau|3|3|non|repete" + port,
                                   "commande|Bravo|2|1255|Faisceau|3|3|annuler|annule" + port}));
        // The shim's clock is CLOCK_MONOTONIC: moved onto the wall clock.
        timespec mono, real;
        clock_gettime(CLOCK_MONOTONIC, &mono), clock_gettime(CLOCK_REALTIME, &real);
        const double shift = (real.tv_sec - mono.tv_sec) + (real.tv_nsec - mono.tv_nsec) / 1e9;
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<double> ups, downs;
        for (const QByteArray &line : f.readAll().split('\n')) {
            const QByteArray what = line.mid(line.indexOf(' ') + 1);
            if (what == "RTS 1 " + com1.path().toUtf8())
                ups << line.left(line.indexOf(' ')).toDouble() + shift;
            else if (what == "RTS 0 " + com1.path().toUtf8() || what == "CLOSE RTS 0")
                downs << line.left(line.indexOf(' ')).toDouble() + shift;
        }
        QVERIFY2(ups.size() == 4 && downs.size() == 4, f.fileName().toUtf8());
        for (int i = 0; i < 4; ++i) {
            const double start = rows[i].start.toMSecsSinceEpoch() / 1000.0, end = rows[i].end.toMSecsSinceEpoch() / 1000.0;
            QVERIFY2(std::abs(start - ups[i]) < 0.05 && std::abs(end - downs[i]) < 0.05,
                     qPrintable(QString("%1: %2 %3 / %4 %5").arg(i).arg(start - ups[i]).arg(end - downs[i]).arg(start).arg(end)));
        }
    }

    // A journal that cannot be written (no file may grow: a full disk): the
    // key goes out as before and the status bar says so, once.
    void unwritableJournalKeysAllTheSame()
    {
        Station st;
        st.ws.closeStore();
        QVERIFY(writeDtmfFile(keypadToneFile('5'), '5'));
        st.load();
        st.ctx.openJournal();
        QSignalSpy failed(&st.ctx.journal, &JournalStore::writeFailed);
        rlimit was{}, full{0, 0};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &was) == 0 && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR);
        full.rlim_max = was.rlim_max;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
        auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &was); });
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(st.key(5), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!st.ctx.transmitter->isBusy(), 5000);
        }
        QCOMPARE(st.line.log, QStringList({"on", "off", "on", "off"}));
        QCOMPARE(failed.size(), 1);
        QVERIFY2(st.frm->statusText().contains("journal de trafic") && st.frm->statusText().contains("journal.db"),
                 qPrintable(st.frm->statusText()));
    }

    // kill -9 while keyed: at the next start that row reads "interrompu", its
    // end unknown, and nothing else in the journal changes.
    void killedWhileKeyedIsInterruptedAtNextStart()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("journal.db");
        {
            JournalStore earlier;  // a finished row from before
            QVERIFY(earlier.open(path));
            JournalEntry e;
            e.repeaterName = "Alpha";
            const qint64 id = earlier.begin(e);
            QVERIFY(earlier.finish(id, QDateTime::currentDateTimeUtc(), JournalEntry::Answer::Yes,
                                   JournalEntry::Outcome::Confirmed, "1"));
        }
        PttDriver driver;
        QProcessEnvironment env = pulse.environment();
        env.insert("PONTAVEL_JOURNAL", path);
        driver.start(QStringList{"sequence", "1"} + commandToneFiles("1234567890"), env, work.path());
        QVERIFY2(driver.waitFor("KEYED"), qPrintable(driver.all()));
        ::kill(driver.process().processId(), SIGKILL);
        QVERIFY(driver.finish());
        auto rows = [&] {
            QList<JournalEntry> all;
            JournalStore reader;
            reader.open(path, JournalStore::Mode::ReadOnly);
            reader.forEach({}, [&](const JournalEntry &e) { return all.prepend(e), true; });
            return all;
        };
        QList<JournalEntry> expected = rows();
        QVERIFY(expected.size() == 2 && expected[1].outcome == JournalEntry::Outcome::Open);
        expected[1].outcome = JournalEntry::Outcome::Interrupted;
        const QString old = QDir::currentPath();
        QDir::setCurrent(folder.path());
        {
            AppContext next;
            next.openJournal();
        }
        QDir::setCurrent(old);
        const QList<JournalEntry> after = rows();
        QCOMPARE(after.size(), 2);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(QStringList(JournalExport::fields(after[i])), JournalExport::fields(expected[i]));
        QVERIFY(!after[1].end.isValid() && after[0].outcome == JournalEntry::Outcome::Confirmed);
    }

    // A PTT slow to key (a rig's CAT answer, a busy machine) lengthens the
    // lead-in, never shortens it: the first tone comes the lead-in after
    // keying is done, whole.
    void slowKeyingLengthensTheLeadIn()
    {
        const QAudioDevice monitor = Listener::monitor(pulse);
        QVERIFY(!monitor.isNull());
        Listener listener(monitor);
        TimedPtt ptt;
        ptt.slowMs = 80;
        Transmitter tx(&ptt);
        EmissionSettings timing;
        timing.leadInMs = "100";
        tx.setEmissionSettings(timing);
        QTest::qWait(300);
        listener.reset();
        QSignalSpy done(&tx, &Transmitter::finished);
        QString err;
        QVERIFY2(tx.startSequence(commandToneFiles("5"), &err), qPrintable(err));
        QVERIFY(done.wait(9000) && done[0][0].toBool());
        QTest::qWait(300);
        QVERIFY(listener.heard());
        const double leadIn = (listener.first() - ptt.on) * 1000, tone = (listener.last() - listener.first()) * 1000;
        QVERIFY2(leadIn > 80 + 100 - 1 && leadIn < 80 + 100 + 40 && tone > 99,
                 qPrintable(QStringLiteral("lead-in %1 ms, tone %2 ms").arg(leadIn).arg(tone)));
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

        // An output that never plays: nothing keyed, the command fails.
        ptt.refuse.clear();
        QVERIFY(pulse.pactl({"suspend-sink", "radio", "1"}) && tx.startSequence(commandToneFiles("1"), &err));
        QVERIFY(done.wait(9000) && !done[2][0].toBool() && done[2][1].toString().contains("pas terminée à temps"));
        // Unplugged while playing: the server moves the stream to another
        // output; the command fails at once instead, the line drops.
        QVERIFY(pulse.pactl({"suspend-sink", "radio", "0"}) && tx.startSequence(commandToneFiles("1234567890"), &err));
        QTRY_VERIFY(ptt.on);
        QVERIFY(pulse.pactl({"unload-module", module.trimmed()}));
        QVERIFY2(done.wait(1000) && !done[3][0].toBool() && done[3][1].toString().contains("Interface radio USB » a disparu")
                     && !ptt.on, qPrintable(done.value(3).value(1).toString()));
        QTRY_VERIFY_WITH_TIMEOUT(Transmitter::findOutput("radio", {}, nullptr).isNull(), 5000);
        QVERIFY(!tx.startSequence(commandToneFiles("19"), &err));
        QVERIFY2(err.contains("Interface radio USB") && err.contains("menu Port"), qPrintable(err));
        QVERIFY(!tx.startHeld(keypadToneFile('1'), &err) && ptt.log == QStringList({"on", "off"}));

        // The sound server gone while playing: the same, at once.
        tx.setOutput("nullsink", {});
        QVERIFY2(tx.startSequence(commandToneFiles("1234567890"), &err), qPrintable(err));
        QTRY_VERIFY(ptt.on);
        pulse.crash();
        QVERIFY(done.wait(1000) && !done[4][0].toBool() && done[4][1].toString().contains("Erreur de la sortie son"));
        QCOMPARE(ptt.log, QStringList({"on", "off", "on", "off"}));
    }
};

QTEST_MAIN(TstTonesE2e)
#include "tst_tones_e2e.moc"
