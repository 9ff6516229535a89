// RTS keying through a real serial port path: a pseudo-terminal opened by
// QSerialPort in a separate process, its modem lines answered and logged by
// the preloaded shim, tones played to a private null sink.
#include "audio/tonefiles.h"
#include "pttdriver.h"
#include "pulsefixture.h"

#include <csignal>

class TstPtt : public QObject
{
    Q_OBJECT
    PulseFixture pulse;
    QTemporaryDir work;

    // Plays the tone files of keys (200 ms each); extra arguments go before them.
    void play(PttDriver &d, const QString &keys, QStringList args = {"sequence", "1"})
    {
        d.start(args << commandToneFiles(keys), pulse.environment(), work.path());
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            QSKIP("pulseaudio is not installed");
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        QDir::setCurrent(work.path());
        for (QChar k : QStringLiteral("0123456789"))
            QVERIFY(writeDtmfFile(commandToneFile(k), k));
    }

    // Opening raised both lines; the one not used for PTT goes down at once
    // and stays down. The PTT line goes up as the stream starts and comes
    // down after lead-in + 800 ms of tones + tail, before finished().
    void keyedAroundTheWholeStream_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QStringList>("used");
        QTest::addColumn<QString>("unused");
        QTest::newRow("RTS") << "RTS" << QStringList{"RTS"} << "DTR";
        QTest::newRow("DTR") << "DTR" << QStringList{"DTR"} << "RTS";
        QTest::newRow("both") << "RTS+DTR" << QStringList{"RTS", "DTR"} << "";
    }
    void keyedAroundTheWholeStream()
    {
        QFETCH(QString, choice);
        QFETCH(QStringList, used);
        QFETCH(QString, unused);
        PttDriver d;
        QVERIFY(d.ready());
        d.setSetting("Station/PttLine", choice);
        d.setSetting("Emission/LeadInMs", 150);
        d.setSetting("Emission/TailMs", 100);
        play(d, "1234");
        QVERIFY(d.finish());
        const QString all = d.all();
        const double opened = d.line("OPEN").t, started = d.line("STARTED").t;
        const double fin = d.line("FINISHED 1").t;
        QVERIFY2(opened > 0 && fin > 0 && !d.line("CLOSE").text.isEmpty(), qPrintable(all));
        if (!unused.isEmpty()) {
            const double down = d.line(unused + " 0").t;
            QVERIFY2(down >= opened && down - opened < 0.05, qPrintable(all));
            for (const TimedLine &l : d.rts())
                QVERIFY2(!(l.text.startsWith(unused + " 1") && l.t > down), qPrintable(all));
        }
        for (const QString &line : used) {
            const double on = d.line(line + " 1").t, off = d.line(line + " 0").t;
            QVERIFY2(on > 0 && on - started < 0.2 && off <= fin, qPrintable(all));
            QVERIFY2(off - on >= 1.050 - 0.010 && off - on < 1.050 + 2.5, qPrintable(all));
        }
    }

    void releasedOnStopAndMaxTime()
    {
        PttDriver stopped, limited;
        play(stopped, "1234567890", {"stop", "300", "1"});
        limited.setSetting("Emission/MaxTransmitSeconds", 1);
        play(limited, "12345678901234567890"); // 4 s of tones
        QVERIFY(stopped.finish() && limited.finish());
        QVERIFY2(!stopped.line("STOPPED keyed=0").text.isEmpty() && !stopped.line("FINISHED 0").text.isEmpty(),
                 qPrintable(stopped.all()));
        const double off = stopped.line("RTS 0").t;
        QVERIFY2(off > 0 && off <= stopped.line("STOPPED").t, qPrintable(stopped.all()));
        QVERIFY2(limited.line("MAX ").text.contains("Durée maximale d'émission")
                     && !limited.line("FINISHED 0").text.isEmpty(), qPrintable(limited.all()));
        // Released by the limit, well before the tones would have ended; the
        // margin absorbs a loaded machine.
        const double held = limited.line("RTS 0").t - limited.line("RTS 1").t;
        QVERIFY2(held >= 0.99 && held < 2.5, qPrintable(limited.all()));
    }

    // SIGHUP is what closing the terminal sends; SIGABRT and SIGSEGV stand for
    // a crash: the line drops, the process dies. kill -9 runs no code of ours:
    // only the kernel's hang-up on close (HUPCL, left set) can drop a real
    // port's lines, which a pty cannot show; what can be checked is that the
    // port is free again.
    void releasedWhenTheProcessIsKilled()
    {
        for (int signo : {SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGKILL}) {
            PttDriver d;
            play(d, "1234567890");
            QVERIFY(d.waitFor("KEYED"));
            QTest::qWait(200);
            ::kill(pid_t(d.process().processId()), signo);
            QVERIFY(d.finish());
            const QString all = QStringLiteral("signal %1: ").arg(signo) + d.all();
            if (signo == SIGKILL) {
                QSerialPort port(d.pty());
                QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
                continue;
            }
            QVERIFY2(!d.line("RTS 0").text.isEmpty(), qPrintable(all));
            if (signo == SIGABRT || signo == SIGSEGV) {
                QCOMPARE(d.process().exitStatus(), QProcess::CrashExit);
            } else {
                QVERIFY2(d.exitCode() == 128 + signo && d.line("EXIT").text.endsWith("keyed=0"), qPrintable(all));
            }
        }
    }

    // A timing out of its bounds is refused before the port is even opened.
    void outOfRangeTimingKeysNothing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("huge lead-in") << "Emission/LeadInMs" << "2147483647";
        QTest::newRow("negative tail") << "Emission/TailMs" << "-1";
        QTest::newRow("limit overflows") << "Emission/MaxTransmitSeconds" << "2147484";
        QTest::newRow("limit truncated") << "Emission/MaxTransmitSeconds" << "99999999999";
        QTest::newRow("no limit") << "Emission/MaxTransmitSeconds" << "0";
    }
    void outOfRangeTimingKeysNothing()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        PttDriver d;
        d.setSetting(key, value);
        play(d, "5");
        QVERIFY(d.finish());
        const QString refused = d.line("REFUSED").text;
        QVERIFY2(refused.contains(key) && refused.contains(value), qPrintable(refused));
        QCOMPARE(d.exitCode(), 3);
        QVERIFY2(d.rts().isEmpty(), qPrintable(d.all()));
    }

    // An unplugged adapter ends the transmission as a failure, well before the
    // 2 s of tones would have ended; a missing port still lets the tones out.
    void vanishedOrMissingPort()
    {
        PttDriver vanished, missing;
        play(vanished, "1234567890");
        missing.setSetting("Ports/Com1", "/nonexistent");
        play(missing, "5");
        QVERIFY(vanished.waitFor("KEYED"));
        QTest::qWait(200);
        vanished.unplug();
        QVERIFY(vanished.finish() && missing.finish());
        const TimedLine fin = vanished.line("FINISHED 0");
        QVERIFY2(fin.text.contains("a disparu") && fin.t - vanished.line("STARTED").t < 1.0,
                 qPrintable(vanished.all()));
        QVERIFY2(missing.line("WARNING").text.contains("/nonexistent est absent")
                     && !missing.line("FINISHED 1").text.isEmpty() && missing.rts().isEmpty(),
                 qPrintable(missing.all()));
    }
};

QTEST_GUILESS_MAIN(TstPtt)
#include "tst_ptt.moc"
