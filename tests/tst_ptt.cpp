// RTS keying through a real serial port path: a pseudo-terminal opened by
// QSerialPort in a separate process, its modem lines answered and logged by
// the preloaded shim, tones played to a private null sink.
#include "audio/tonefiles.h"
#include "pttdriver.h"
#include "pulsefixture.h"

#include <QStandardPaths>
#include <QtTest>

#include <csignal>

class TstPtt : public QObject
{
    Q_OBJECT
    PulseFixture pulse;
    QTemporaryDir work;

    QStringList seq(const QString &keys) { return commandToneFiles(keys); }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            QSKIP("pulseaudio is not installed");
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        QDir::setCurrent(work.path());
        for (QChar k : QStringLiteral("0123456789#"))
            QVERIFY(writeDtmfFile(commandToneFile(k), k)); // 200 ms each
    }

    void keyedAroundTheWholeStream()
    {
        PttDriver d;
        QVERIFY(d.ready());
        d.setSetting("Emission/LeadInMs", 150);
        d.setSetting("Emission/TailMs", 100);
        QStringList args{"sequence", "1"};
        args << seq("1234");
        d.start(args, pulse.environment(), work.path());
        QVERIFY(d.finish());
        const auto out = d.output(), rts = d.rts();
        const QString all = PttDriver::texts(out) + " / " + PttDriver::texts(rts);
        QVERIFY2(!PttDriver::find(out, "FINISHED 1").text.isEmpty(), qPrintable(all));
        const double on = PttDriver::find(rts, "RTS 1").t, off = PttDriver::find(rts, "RTS 0").t;
        const double fin = PttDriver::find(out, "FINISHED").t;
        QVERIFY2(on > 0 && off > on, qPrintable(all));
        // Keyed as the stream starts playing, released only after
        // lead-in + 800 ms of tones + tail, and before finished() is reported.
        QVERIFY2(on - PttDriver::find(out, "STARTED").t < 0.2, qPrintable(all));
        QVERIFY2(off - on >= 0.150 + 0.800 + 0.100 - 0.010, qPrintable(all));
        QVERIFY2(off - on < 0.150 + 0.800 + 0.100 + 2.5, qPrintable(all));
        QVERIFY2(off <= fin, qPrintable(all));
        QVERIFY(!PttDriver::find(rts, "CLOSE").text.isEmpty());
    }

    void releasedOnStopAndMaxTime()
    {
        {
            PttDriver d;
            QStringList args{"stop", "300", "1"};
            args << seq("1234567890");
            d.start(args, pulse.environment(), work.path());
            QVERIFY(d.finish());
            const auto out = d.output(), rts = d.rts();
            const QString all = PttDriver::texts(out) + " / " + PttDriver::texts(rts);
            QVERIFY2(!PttDriver::find(out, "STOPPED keyed=0").text.isEmpty(), qPrintable(all));
            QVERIFY2(!PttDriver::find(out, "FINISHED 0").text.isEmpty(), qPrintable(all));
            const double off = PttDriver::find(rts, "RTS 0").t;
            QVERIFY2(off > 0 && off <= PttDriver::find(out, "STOPPED").t, qPrintable(all));
        }
        {
            PttDriver d;
            d.setSetting("Emission/MaxTransmitSeconds", 1);
            QStringList args{"sequence", "1"};
            args << seq("12345678901234567890");  // 4 s of tones
            d.start(args, pulse.environment(), work.path());
            QVERIFY(d.finish());
            const auto out = d.output(), rts = d.rts();
            const QString all = PttDriver::texts(out) + " / " + PttDriver::texts(rts);
            QVERIFY2(PttDriver::find(out, "MAX ").text.contains("Durée maximale d'émission"), qPrintable(all));
            QVERIFY2(!PttDriver::find(out, "FINISHED 0").text.isEmpty(), qPrintable(all));
            const double held = PttDriver::find(rts, "RTS 0").t - PttDriver::find(rts, "RTS 1").t;
            // Released by the limit, well before the 4 s of tones would have ended;
            // the margin absorbs a loaded machine.
            QVERIFY2(held >= 0.99 && held < 2.5, qPrintable(all + QStringLiteral(" / held %1 s").arg(held)));
        }
    }

    void releasedWhenTheProcessIsKilled()
    {
        // SIGHUP is what closing the terminal that ran the program sends;
        // SIGABRT and SIGSEGV stand for a crash: the line drops, the process dies.
        for (int signo : {SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV}) {
            PttDriver d;
            QStringList args{"sequence", "1"};
            args << seq("1234567890");
            d.start(args, pulse.environment(), work.path());
            QVERIFY(d.waitFor("KEYED"));
            QTest::qWait(200);
            ::kill(pid_t(d.process().processId()), signo);
            QVERIFY(d.finish());
            const auto rts = d.rts();
            const QString all = QStringLiteral("signal %1: ").arg(signo) + PttDriver::texts(rts);
            QVERIFY2(!PttDriver::find(rts, "RTS 0").text.isEmpty(), qPrintable(all));
            if (signo == SIGABRT || signo == SIGSEGV) {
                QCOMPARE(d.process().exitStatus(), QProcess::CrashExit);
            } else {
                QCOMPARE(d.exitCode(), 128 + signo);
                QVERIFY2(!PttDriver::find(d.output(), "EXIT").text.contains("keyed=1"), "still keyed at exit");
            }
        }
        {
            // kill -9 runs no code of ours: only the kernel's hang-up on close
            // (HUPCL, left set) can drop a real port's lines, which a pty
            // cannot show. What can be checked: the port is free again.
            PttDriver d;
            QStringList args{"sequence", "1"};
            args << seq("1234567890");
            d.start(args, pulse.environment(), work.path());
            QVERIFY(d.waitFor("KEYED"));
            d.process().kill();
            QVERIFY(d.finish());
            QSerialPort port(d.pty());
            QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
            port.close();
        }
    }

    // Opening raised both lines; the one not used for PTT goes down at once
    // and stays down, the PTT line is up for the whole stream.
    void pttLineChoice_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QStringList>("used");
        QTest::addColumn<QString>("unused");
        QTest::newRow("RTS") << "RTS" << QStringList{"RTS"} << "DTR";
        QTest::newRow("DTR") << "DTR" << QStringList{"DTR"} << "RTS";
        QTest::newRow("both") << "RTS+DTR" << QStringList{"RTS", "DTR"} << "";
    }
    void pttLineChoice()
    {
        QFETCH(QString, choice);
        QFETCH(QStringList, used);
        QFETCH(QString, unused);
        PttDriver d;
        d.setSetting("Station/PttLine", choice);
        d.setSetting("Emission/LeadInMs", 100);
        d.start({"sequence", "1", commandToneFile('5')}, pulse.environment(), work.path());
        QVERIFY(d.finish());
        const auto out = d.output(), lines = d.rts();
        const QString all = PttDriver::texts(out) + " / " + PttDriver::texts(lines);
        const double opened = PttDriver::find(lines, "OPEN").t, started = PttDriver::find(out, "STARTED").t;
        const double fin = PttDriver::find(out, "FINISHED 1").t;
        QVERIFY2(opened > 0 && fin > 0, qPrintable(all));
        if (!unused.isEmpty()) {
            const double down = PttDriver::find(lines, unused + " 0").t;
            QVERIFY2(down >= opened && down - opened < 0.05, qPrintable(all));
            for (const TimedLine &l : lines)
                QVERIFY2(!(l.text.startsWith(unused + " 1") && l.t > down), qPrintable(all));
        }
        for (const QString &line : used) {
            const double off = PttDriver::find(lines, line + " 0").t;
            // Up from the open through lead-in and tone (300 ms), down before finished().
            QVERIFY2(off - started >= 0.100 + 0.200 - 0.010 && off <= fin, qPrintable(all));
        }
    }

    // A timing out of its bounds is refused before the port is even opened.
    void outOfRangeTimingKeysNothing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("huge lead-in") << "Emission/LeadInMs" << "2147483647";
        QTest::newRow("long lead-in") << "Emission/LeadInMs" << "100000000";
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
        d.start({"sequence", "1", commandToneFile('5')}, pulse.environment(), work.path());
        QVERIFY(d.finish());
        const QString refused = PttDriver::find(d.output(), "REFUSED").text;
        QVERIFY2(refused.contains(key) && refused.contains(value), qPrintable(refused));
        QCOMPARE(d.exitCode(), 3);
        QVERIFY2(d.rts().isEmpty(), qPrintable(PttDriver::texts(d.rts())));
    }

    void vanishedPortEndsAsAFailure()
    {
        PttDriver d;
        QStringList args{"sequence", "1"};
        args << seq("1234567890");
        d.start(args, pulse.environment(), work.path());
        QVERIFY(d.waitFor("KEYED"));
        QTest::qWait(200);
        d.unplug();
        QVERIFY(d.finish());
        const auto out = d.output();
        const TimedLine fin = PttDriver::find(out, "FINISHED 0");
        QVERIFY2(fin.text.contains("a disparu"), qPrintable(PttDriver::texts(out)));
        // Well before the 2 s of tones would have ended.
        QVERIFY2(fin.t - PttDriver::find(out, "STARTED").t < 1.0, qPrintable(PttDriver::texts(out)));
    }

    void missingPortStillPlays()
    {
        PttDriver d;
        d.setSetting("Ports/Com1", "/nonexistent");
        d.start({"sequence", "1", commandToneFile('5')}, pulse.environment(), work.path());
        QVERIFY(d.finish());
        const auto out = d.output();
        const QString all = PttDriver::texts(out);
        QVERIFY2(PttDriver::find(out, "WARNING").text.contains("/nonexistent est absent"),
                 qPrintable(all));
        QVERIFY2(!PttDriver::find(out, "FINISHED 1").text.isEmpty(), qPrintable(all));
        QVERIFY(d.rts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstPtt)
#include "tst_ptt.moc"
