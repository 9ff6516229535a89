// Keying through a real serial port path: a pty opened by QSerialPort in the
// driver's process, its lines kept by the shim, tones played to a null sink.
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
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        QDir::setCurrent(work.path());
        for (QChar k : QStringLiteral("0123456789"))
            QVERIFY(writeDtmfFile(commandToneFile(k), k));
    }

    // Of the two lines the open raised, the unused one drops at once for good; the
    // PTT line is up from the stream's start to lead-in + 800 ms + tail (150 and
    // 100 ms when not set), before finished().
    void keyedAroundTheWholeStream()
    {
        const QStringList choices{"RTS", "DTR", "RTS+DTR"}, unused{"DTR", "RTS", ""};
        PttDriver drivers[3];
        for (int i = 0; i < 3; ++i) {
            drivers[i].setSetting("Station/PttLine", choices[i]);
            play(drivers[i], "1234");
        }
        for (int i = 0; i < 3; ++i) {
            PttDriver &d = drivers[i];
            QVERIFY(d.finish());
            const QString all = choices[i] + ": " + d.all();
            const double opened = d.line("OPEN").t, started = d.line("STARTED").t, fin = d.line("FINISHED 1").t;
            QVERIFY2(opened > 0 && fin > 0 && !d.line("CLOSE").text.isEmpty(), qPrintable(all));
            if (!unused[i].isEmpty()) {
                const double down = d.line(unused[i] + " 0").t;
                QVERIFY2(down >= opened && down - opened < 0.05, qPrintable(all));
                for (const TimedLine &l : d.rts())
                    QVERIFY2(!(l.text.startsWith(unused[i] + " 1") && l.t > down), qPrintable(all));
            }
            for (const QString &line : choices[i].split('+')) {
                const auto [on, off] = d.keyed(line);
                QVERIFY2(on > 0 && on - started < 0.2 && off <= fin, qPrintable(all));
                QVERIFY2(off - on >= 1.050 - 0.010 && off - on < 1.050 + 2.5, qPrintable(all));
            }
        }
    }

    // The limit holds also when the event loop hangs while keyed: a thread of
    // its own drops the line 2 s later.
    void releasedOnStopAndMaxTime()
    {
        PttDriver stopped, limited, frozen;
        play(stopped, "1234567890", {"stop", "300", "1"});
        limited.setSetting("Emission/MaxTransmitSeconds", 1);
        play(limited, "12345678901234567890"); // 4 s of tones
        frozen.setSetting("Emission/MaxTransmitSeconds", 1);
        play(frozen, "12345678901234567890", {"freeze", "5000", "1"});
        QVERIFY(stopped.finish() && limited.finish() && frozen.finish());
        const auto [keyed, dropped] = frozen.keyed("RTS");
        QVERIFY2(keyed > 0 && dropped - keyed >= 2.99 && dropped - keyed < 4 && dropped < frozen.line("THAWED").t,
                 qPrintable(frozen.all()));
        const double off = stopped.line("RTS 0").t, stop = stopped.line("STOPPED keyed=0").t;
        QVERIFY2(!stopped.line("FINISHED 0").text.isEmpty() && off > 0 && off <= stop, qPrintable(stopped.all()));
        QVERIFY2(limited.line("MAX ").text.contains("Durée maximale d'émission")
                     && !limited.line("FINISHED 0").text.isEmpty(), qPrintable(limited.all()));
        // Released by the limit, long before the tones end (margin for a loaded machine).
        const double held = limited.keyed("RTS").second - limited.keyed("RTS").first;
        QVERIFY2(held >= 0.99 && held < 2.5, qPrintable(limited.all()));
    }

    // SIGHUP: the terminal closed; SIGABRT, SIGSEGV: a crash. kill -9 runs no
    // code of ours: only the kernel's hang-up on close (HUPCL, left set) drops
    // a real port's lines, which a pty cannot show; the port is free again.
    // A clean end comes before the sound library's own teardown, which aborts
    // now and then after the exit code is set.
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
            if (signo == SIGABRT || signo == SIGSEGV)
                QCOMPARE(d.process().exitStatus(), QProcess::CrashExit);
            else
                QVERIFY2(d.exitCode() == 128 + signo && d.line("EXIT").text.endsWith("keyed=0")
                             && d.line("pa_context_disconnect").text.isEmpty(), qPrintable(all));
        }
    }

    // A timing out of its bounds is refused before the port is even opened.
    void outOfRangeTimingKeysNothing()
    {
        const QList<std::pair<QString, QString>> cases{
            {"Emission/LeadInMs", "2147483647"}, {"Emission/TailMs", "-1"},
            {"Emission/MaxTransmitSeconds", "2147484"}, // overflows as ms
            {"Emission/MaxTransmitSeconds", "99999999999"}, {"Emission/MaxTransmitSeconds", "0"}};
        for (const auto &[key, value] : cases) {
            PttDriver d;
            d.setSetting(key, value);
            play(d, "5");
            QVERIFY(d.finish());
            const QString refused = d.line("REFUSED").text;
            QVERIFY2(refused.contains(key) && refused.contains(value) && d.exitCode() == 3 && d.rts().isEmpty(),
                     qPrintable(d.all()));
        }
    }

    // An unplugged adapter ends the transmission as a failure, well before the
    // 2 s of tones would have ended; a missing port refuses it before any tone.
    void vanishedOrMissingPort()
    {
        PttDriver vanished, missing, last, beyond;  // Com16 and Com17 bound all the same: only Com16 keys
        play(vanished, "1234567890");
        missing.setSetting("Ports/Com1", "/nonexistent");
        play(missing, "5");
        for (auto [d, com] : {std::pair{&last, "16"}, {&beyond, "17"}})
            d->setSetting(QStringLiteral("Ports/Com") + com, d->pty()), play(*d, "5", {"sequence", com});
        QVERIFY(vanished.waitFor("KEYED"));
        QTest::qWait(200);
        vanished.unplug();
        QVERIFY(vanished.finish() && missing.finish() && last.finish() && beyond.finish());
        QVERIFY2(beyond.line("REFUSED").text.contains("hors de 1 à 16") && beyond.rts().isEmpty(), qPrintable(beyond.all()));
        QVERIFY2(!last.line("RTS 1").text.isEmpty() && !last.line("FINISHED 1").text.isEmpty(), qPrintable(last.all()));
        const TimedLine fin = vanished.line("FINISHED 0");
        QVERIFY2(fin.text.contains("a disparu") && fin.t - vanished.line("STARTED").t < 1.0,
                 qPrintable(vanished.all()));
        QVERIFY2(missing.line("REFUSED").text.contains("/nonexistent est absent") && missing.exitCode() == 3
                     && missing.line("STARTED").text.isEmpty() && missing.rts().isEmpty(),
                 qPrintable(missing.all()));
    }
};

QTEST_GUILESS_MAIN(TstPtt)
#include "tst_ptt.moc"
