// Through the real sound path: a private PulseAudio daemon with a null sink,
// its monitor recorded and decoded by multimon-ng.
#include "audio/tonefiles.h"
#include "audio/transmitter.h"
#include "serial/ptt.h"
#include "command/relai.h"
#include "core/appcontext.h"
#include "map/frmmain.h"
#include "pttdriver.h"
#include "pulsefixture.h"
#include "testsupport.h"

#include <QMediaDevices>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <pty.h>

namespace {
// A pseudo-terminal kept open on its master side.
struct Pty
{
    int master = -1;
    QString path;
    Pty()
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = QString::fromLocal8Bit(name);
            ::close(slave);
        }
    }
    ~Pty() { ::close(master); }
};

// Counts what the transmitter asks of its line.
struct CountingPtt : Ptt
{
    int keys = 0;
    bool on = false;
    bool key(QString *) override { ++keys; return on = true; }
    void release() override { on = false; }
    bool isKeyed() const override { return on; }
};
} // namespace

class TstTonesE2e : public QObject
{
    Q_OBJECT
    PulseFixture pulse;
    QTemporaryDir work;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            QSKIP("pulseaudio is not installed");
        QStandardPaths::setTestModeEnabled(true);
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        QDir::setCurrent(work.path());
        for (QChar k : QStringLiteral("0123456789ABCD#*")) {
            QVERIFY(writeDtmfFile(commandToneFile(k), k));
            QVERIFY(writeDtmfFile(keypadToneFile(k), k));
        }
    }

    void sequencePlaysEveryKeyInOrder()
    {
        // No serial port here: the tones must play all the same.
        const QString rec = pulse.path("sequence.wav");
        QVERIFY(pulse.startRecording(rec));
        QTest::qWait(1500); // let the recorder and the sink settle

        SerialPtt ptt;
        ptt.configure(1, "/nonexistent/ttyS0", "9600,N,8,1");
        Transmitter tx(&ptt);
        QSignalSpy warn(&tx, &Transmitter::portWarning);
        QSignalSpy done(&tx, &Transmitter::finished);
        QString err;
        QVERIFY2(tx.startSequence(commandToneFiles("123#11"), &err), qPrintable(err));
        QTRY_COMPARE(warn.size(), 1);
        QVERIFY2(warn[0][0].toString().contains("/nonexistent/ttyS0 est absent"),
                 qPrintable(warn[0][0].toString()));
        QVERIFY(!tx.isKeyed());
        QVERIFY(tx.isBusy());
        QVERIFY(done.wait(6000));
        QCOMPARE(done.size(), 1);
        QVERIFY2(done[0][0].toBool(), qPrintable(done[0][1].toString()));
        QVERIFY(!tx.isBusy());
        QTest::qWait(300);
        pulse.stopRecording();
        QCOMPARE(decodeDtmf(rec), QStringLiteral("123#11"));
    }

    void noSoundServerKeysNothing()
    {
        PttDriver driver;
        QVERIFY(driver.ready());
        QProcessEnvironment env = pulse.environment();
        env.insert("PULSE_SERVER", "unix:" + pulse.path("nobody-listens-here"));
        driver.start({"sequence", "1", commandToneFile('1')}, env, work.path());
        QVERIFY(driver.finish());
        const auto out = driver.output();
        QCOMPARE(driver.exitCode(), 3);
        const TimedLine refused = PttDriver::find(out, "REFUSED");
        QVERIFY2(refused.text.contains("Aucune sortie son disponible"), qPrintable(PttDriver::texts(out)));
        QVERIFY2(driver.rts().isEmpty(), qPrintable(PttDriver::texts(driver.rts())));
    }

    // The station as the program builds it, on a folder nobody here made:
    // the row names Com4, bound per user to a pty; 8-bit tone files. From
    // the start, with no dialog opened, keypad and command key that pty only.
    void stationKeysItsStoredPortFromTheStart()
    {
        Pty com1, com4;
        QVERIFY(!com1.path.isEmpty() && !com4.path.isEmpty());
        TempWorkspace ws;
        ws.makeMap(400, 300);
        ws.addRepeater("Alpha", "1", "438.5", 600, 600, 600, 900);
        ws.addCommand(1, "Tx", "Rx", {"*#A"});
        ws.setParam("N°Com", 4);
        ws.closeStore();
        QDir::setCurrent(ws.path());
        for (QChar k : QStringLiteral("*#A")) {
            QVERIFY(writeDtmfFile(commandToneFile(k), k, 8000, 100, 100, SF_FORMAT_PCM_U8));
            QVERIFY(writeDtmfFile(keypadToneFile(k), k, 8000, 100, 100, SF_FORMAT_PCM_U8));
        }
        QSettings user;
        user.setValue("Ports/Com1", com1.path);
        user.setValue("Ports/Com4", com4.path);
        user.setValue("Emission/LeadInMs", 100);
        user.setValue("Emission/TailMs", 50);
        user.sync();
        const QString log = pulse.path("station-rts.log");
        qputenv("PONTAVEL_RTS_LOG", QFile::encodeName(log));
        const QString rec = pulse.path("station.wav");
        QVERIFY(pulse.startRecording(rec));
        QTest::qWait(1500);

        {
            AppContext ctx;
            frmMain w(ctx);
            w.Load();
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));

            // A short press, shorter than lead-in + tone: the whole tone all the same.
            QPushButton *hash = w.FVocal[14];
            QTest::mousePress(hash, Qt::LeftButton);
            QTest::qWait(60);
            QTest::mouseRelease(hash, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!ctx.transmitter->isBusy(), 3000);
            QTest::qWait(300);

            ctx.state.IndexBouton = 1;
            w.openCommandWindow(1);
            Relai *r = w.findChild<Relai *>();
            QVERIFY(r && QTest::qWaitForWindowExposed(r));
            QTest::mouseClick(r->Option1[0], Qt::LeftButton);
            QTest::mouseClick(r->CmdParam, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(r->questionBox() && r->questionBox()->isVisible(), 5000);
            QVERIFY(!ctx.transmitter->isKeyed());
            QTest::mouseClick(r->questionBox()->button(QMessageBox::Yes), Qt::LeftButton);
        }
        QTest::qWait(300);
        pulse.stopRecording();
        qunsetenv("PONTAVEL_RTS_LOG");
        user.remove("Ports");
        user.remove("Emission");

        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString edges = QString::fromUtf8(f.readAll());
        QVERIFY2(!edges.contains(com1.path), qPrintable(edges));
        QCOMPARE(edges.count("RTS 1 " + com4.path), 2);
        QCOMPARE(edges.count("RTS 0 " + com4.path) + edges.count("CLOSE RTS 0"), 2);
        QCOMPARE(decodeDtmf(rec), QStringLiteral("#*#A"));
    }

    // Two sound outputs: tones go to the chosen one only; once it is gone,
    // nothing is keyed and the message names it.
    void chosenOutputOnly()
    {
        const int module = pulse.addSink("radio");
        QVERIFY(module >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(!Transmitter::findOutput("radio", {}, nullptr).isNull(), 5000);
        const QString other = pulse.path("default.wav"), chosen = pulse.path("radio.wav");
        QVERIFY(pulse.startRecording(other));
        QVERIFY(pulse.startRecording(chosen, false, "radio"));
        QTest::qWait(1500);
        CountingPtt ptt;
        Transmitter tx(&ptt);
        tx.setOutput("radio", "Interface radio USB");
        QSignalSpy done(&tx, &Transmitter::finished);
        QString err;
        QVERIFY2(tx.startSequence(commandToneFiles("19"), &err), qPrintable(err));
        QVERIFY(done.wait(5000));
        QVERIFY2(done[0][0].toBool(), qPrintable(done[0][1].toString()));
        QTest::qWait(300);
        pulse.stopRecording();
        QCOMPARE(decodeDtmf(chosen), QStringLiteral("19"));
        QCOMPARE(decodeDtmf(other), QString());

        QVERIFY(pulse.removeModule(module));
        QTRY_VERIFY_WITH_TIMEOUT(Transmitter::findOutput("radio", {}, nullptr).isNull(), 5000);
        QVERIFY(!tx.startSequence(commandToneFiles("19"), &err));
        QVERIFY2(err.contains("Interface radio USB") && err.contains("menu Port"), qPrintable(err));
        QVERIFY(!tx.startHeld(keypadToneFile('1'), &err));
        QCOMPARE(ptt.keys, 1);
    }

    void cleanupTestCase() { QDir::setCurrent(QDir::tempPath()); }
};

QTEST_MAIN(TstTonesE2e)
#include "tst_tones_e2e.moc"
