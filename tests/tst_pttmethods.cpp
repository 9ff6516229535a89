// Keying through a real rigctld, and a CM108 GPIO on a file that hidshim.c makes a hidraw device.
#include "ptt/cm108ptt.h"
#include "ptt/pttsafety.h"
#include "rigdaemon.h"

#include <csignal>

namespace {

const QByteArray On3 = "0000040400", Off3 = "0000000400"; // GPIO 3, in hex

// The child of releasedWhenTheProcessIsStopped(): keys and waits for a signal.
int keyAndWait(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RigctldPtt rig("127.0.0.1", QString(argv[2]).toInt());
    Cm108Ptt gpio(argv[2]);
    Ptt *ptt = argv[2][0] == '/' ? static_cast<Ptt *>(&gpio) : &rig;
    installTransmitterSafety(&app, [ptt] { ptt->release(); });
    return ptt->key(nullptr) ? app.exec() : 1;
}

} // namespace

class TstPttMethods : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    const QString hid = dir.filePath("hidraw0");

    // An empty device with the ids id ("": not HID), its writes failing from byte failAt.
    void fakeHid(const char *id, const char *failAt = "")
    {
        QVERIFY(QFile(hid).open(QIODevice::WriteOnly));
        qputenv("PONTAVEL_HID_PATH", hid.toLocal8Bit());
        qputenv("PONTAVEL_HID_ID", id);
        qputenv("PONTAVEL_HID_FAIL_AT", failAt);
    }
    QByteArray written() const
    {
        QFile f(hid);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toHex() : "";
    }

private slots:
    void rigctldKeysReleasesAndLoses()
    {
        Daemon d;
        RigctldPtt ptt("127.0.0.1", d.port);
        QString error;
        QVERIFY2(ptt.key(&error) && ptt.isKeyed(), qPrintable(error));
        QTRY_COMPARE(pttState(d.port), QByteArray("1"));
        ptt.release();
        QTRY_COMPARE(pttState(d.port), QByteArray("0"));
        QVERIFY2(ptt.key(&error) && ptt.lostReason().isEmpty(), qPrintable(error)); // on the kept connection
        QTRY_COMPARE(pttState(d.port), QByteArray("1"));
        d.process.kill();
        const QString address = QString("rigctld (127.0.0.1:%1) ").arg(d.port);
        QTRY_VERIFY(ptt.lostReason().contains(address + "a coupé la connexion"));
        ptt.release();
        QVERIFY(!ptt.key(&error) && error.contains(address + "ne répond pas : connexion refusée"));
    }

    // A daemon that cannot set the rig's PTT, none, one stopped: while keyed, then to key.
    void rigctldFailsWithAMessage()
    {
        Daemon noPtt(QStringList{}), stopped;
        RigctldPtt keyed("127.0.0.1", stopped.port);
        QVERIFY(keyed.key(nullptr));
        ::kill(pid_t(stopped.process.processId()), SIGSTOP);
        QTRY_VERIFY_WITH_TIMEOUT(keyed.lostReason().contains("ne répond plus depuis 3 s"), 6000);
        const QList<std::pair<int, QString>> cases{{noPtt.port, "refuse de passer en émission (paramètre invalide"},
                                                   {freePort(), "ne répond pas : connexion refusée"},
                                                   {stopped.port, "ne répond pas : aucune réponse en 1 s à « T 1 »"}};
        for (const auto &[port, words] : cases) {
            QString error;
            const QDeadlineTimer limit(1500);
            QVERIFY(!RigctldPtt("127.0.0.1", port).key(&error));
            QVERIFY2(error.contains(QString("rigctld (127.0.0.1:%1) ").arg(port) + words) && !limit.hasExpired(),
                     qPrintable(error));
        }
    }

    // SIGABRT leaves the release to the signal handler alone. rigctld keeps
    // the PTT of a client gone: a "0" after the end came from the child.
    void releasedWhenTheProcessIsStopped()
    {
        Daemon d;
        for (int signo : {SIGTERM, SIGABRT}) {
            for (const QString &target : {QString::number(d.port), hid}) {
                fakeHid("0d8c:000c");
                QProcess child;
                child.start(QCoreApplication::applicationFilePath(), {"--key-and-wait", target});
                QTRY_COMPARE(target == hid ? written().mid(10, 10) : pttState(d.port), target == hid ? On3 : "1");
                ::kill(pid_t(child.processId()), signo);
                QVERIFY(child.waitForFinished(5000));
                QTRY_COMPARE(target == hid ? written().right(10) : pttState(d.port), target == hid ? Off3 : "0");
            }
        }
    }

    // Off when opened, on, off, off when closed, as Hamlib's rigctl does for its
    // GPIO 3; an unknown chip is used, with a warning; refused when not HID, lost
    // on a write error.
    // The dialog's list, in number order, and the one proposed for a USB sound
    // card: the hidraw node under the same USB device, by card number or id.
    void cm108DevicesOfAUsbSoundCard()
    {
        const QString sys = dir.filePath("sys") + "/";
        auto put = [&](const QString &file, const QByteArray &text) {
            QFile f(sys + file);
            QVERIFY(QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
        };
        auto link = [&](const QString &from, const QString &to) {
            QVERIFY(QDir().mkpath(sys + to) && QDir().mkpath(QFileInfo(sys + from).path()));
            QVERIFY(QFile::link(sys + to, sys + from));
        };
        const QString radio = "devices/usb1/1-2", mouse = "devices/usb1/1-1";
        put(radio + "/idVendor", "0d8c\n"), put(mouse + "/idVendor", "046d\n");
        link("class/hidraw/hidraw10/device", radio + "/1-2:1.3/0003:0D8C:000C.0004");
        put("class/hidraw/hidraw10/device/uevent", "HID_ID=0003:00000D8C:0000000C\nHID_NAME=C-Media USB Audio Device\n");
        link("class/hidraw/hidraw2/device", mouse + "/1-1:1.0/0003:046D:C52B.0001");
        put("class/hidraw/hidraw2/device/uevent", "HID_ID=0003:0000046D:0000C52B\nHID_NAME=Logitech Receiver\n");
        link("class/sound/card1/device", radio + "/1-2:1.0");
        put("class/sound/card1/id", "Device\n");
        link("class/sound/card0/device", "devices/pci0/0000:00:1f.3");
        put("class/sound/card0/id", "PCH\n");
        const QList<Cm108Ptt::HidDevice> list = Cm108Ptt::devices(sys);
        QCOMPARE(list.size(), 2);
        QVERIFY(list[0].path == "/dev/hidraw2" && list[1].path == "/dev/hidraw10");
        QVERIFY(list[1].name == "C-Media USB Audio Device" && list[1].vendor == 0x0d8c && list[1].product == 0x000c);
        QCOMPARE(Cm108Ptt::deviceOfSoundCard("1", sys), QString("/dev/hidraw10"));
        QCOMPARE(Cm108Ptt::deviceOfSoundCard("Device", sys), QString("/dev/hidraw10"));
        QCOMPARE(Cm108Ptt::deviceOfSoundCard("PCH", sys), QString());
    }

    void cm108Reports()
    {
        QString error;
        const QList<std::tuple<int, const char *, QByteArray, QByteArray>> cases{
            {1, "0d8c:0012", "0000010100", "0000000100"}, {3, "0c76:1605", On3, Off3}, {8, "1234:5678", "0000808000", "0000008000"}};
        for (const auto &[gpio, id, on, off] : cases) {
            fakeHid(id);
            Cm108Ptt ptt(hid, gpio);
            QVERIFY2(ptt.key(&error), qPrintable(error));
            QCOMPARE(ptt.warning().contains("(1234:5678) n'est pas une puce"), gpio == 8);
            ptt.release();
            ptt.close();
            QCOMPARE(written(), off + on + off + off);
        }
        fakeHid("0d8c:000c");
        QProcess rigctl;
        rigctl.start("rigctl", {"-m", "1", "-P", "CM108", "-p", hid, "T", "1", "T", "0"});
        QVERIFY(rigctl.waitForFinished(10000) && rigctl.exitCode() == 0);
        QCOMPARE(written(), Off3 + On3 + Off3 + Off3);
        Cm108Ptt ptt(hid, 5);
        fakeHid("");
        QVERIFY(!ptt.key(&error) && error.contains("n'est pas un périphérique HID") && written().isEmpty());
        fakeHid("1209:7388", "10"); // room for off on opening and on
        QVERIFY(ptt.key(&error) && ptt.lostReason().isEmpty() && ptt.warning().isEmpty());
        QTRY_VERIFY(ptt.lostReason().contains("(GPIO 5) a disparu pendant l'émission"));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--key-and-wait") == 0)
        return keyAndWait(argc, argv);
    QCoreApplication app(argc, argv);
    TstPttMethods test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pttmethods.moc"
