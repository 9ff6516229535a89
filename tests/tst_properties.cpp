// The serial port dialog and the one settings path behind it, on a real
// relai.db, real per-user settings and a real pseudo-terminal.

#include "testsupport.h"

#include "map/mainmenus.h"
#include "serial/frmproperties.h"
#include "ptt/portbinding.h"
#include "rigdaemon.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace {

struct Fixture
{
    TempWorkspace ws;
    AppContext ctx;
    explicit Fixture(const QString &settings = QStringLiteral("9600,N,8,1"))
    {
        ws.setParam("settings", settings);
        ws.closeStore();
        ctx.store.open(ws.file("relai.db"));
        ctx.config.load();
    }
};

QComboBox *box(const QWidget &d, const char *name)
{
    return d.findChild<QComboBox *>(QLatin1String(name));
}

// Speed, parity, data bits and stop bits shown.
QString lineShown(const frmProperties &d)
{
    return QStringList{box(d, "cboSpeed")->currentText(), box(d, "cboParity")->currentText(),
                       box(d, "cboDataBits")->currentText(), box(d, "cboStopBits")->currentText()}.join(' ');
}

} // namespace

class tst_properties : public QObject
{
    Q_OBJECT
private slots:
    void init() { useTestSettings(); }

    void opensOnTheStoredSettings()
    {
        // Stored line settings, and what is shown.
        const char *cases[][2] = {{"9600,n,8,1", "9600 None 8 1"}, {"19200,e,7,1.5", "19200 Even 7 1.5"},
                                  {"1200,o,8,2", "1200 Odd 8 2"}, {"300,M,5,1", "300 Mark 5 1"},
                                  {"110,s,4,2", "110 Space 4 2"}, {" 4800 , N , 8 , 1 ", "4800 None 8 1"},
                                  {"", "   "}, {"9600,N,8,1,1", "   "}, {"9601,X,9,3", "   "}};
        for (const auto &c : cases) {
            Fixture f(c[0]);
            QCOMPARE(lineShown(frmProperties(f.ctx.config)), QString(c[1]));
        }
        // The sound output: an absent one is listed as such, none (even stored empty) is the default.
        for (const QString id : {"pontavel-absente", ""}) {
            QSettings().setValue("Station/SortieSon", id), QSettings().setValue("Station/SortieSonNom", "Carte son radio");
            Fixture f;
            frmProperties d(f.ctx.config);
            QComboBox *output = box(d, "cboOutput");
            const int absent = output->findText("(absente)", Qt::MatchEndsWith);
            QCOMPARE(absent < 0 ? QString() : output->itemText(absent), id.isEmpty() ? QString() : "Carte son radio (absente)");
            QCOMPARE(output->currentData().toString(), id);
        }
    }

    // The dialog returns its choice; the menu stores it and hands it to the port at once.
    void okThroughTheMenuStoresAndConfiguresThePort()
    {
        PseudoTerminal pty;
        MainFixture f;
        f.w->show();
        ModalAnswer answer(QMessageBox::Ok, ModalAnswer::Once, [&](QDialog *m) {
            auto *d = qobject_cast<frmProperties *>(m);
            QVERIFY(d);
            box(*d, "cboPort")->setCurrentIndex(3);   // Com4
            box(*d, "cboDevice")->setCurrentText(pty.path());
            for (auto [name, text] : {std::pair{"cboSpeed", "19200"}, {"cboParity", "Even"}, {"cboDataBits", "7"}, {"cboStopBits", "1.5"}})
                box(*d, name)->setCurrentText(text);
            box(*d, "cboPtt")->setCurrentIndex(box(*d, "cboPtt")->findData(int(PttLine::Dtr)));
            auto *flow = d->findChild<QRadioButton *>("optFlow2");
            QTest::mouseClick(flow, Qt::LeftButton, {}, QPoint(8, flow->height() / 2));
            QTest::mouseClick(d->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        });
        f.w->findChild<QAction *>("port")->trigger();

        QCOMPARE(QString::number(f.ws.storedSettings().comNumber) + ' ' + f.ws.storedSettings().portSettings, "4 19200,E,7,1.5");
        QVERIFY(f.ctx.ptts.serial.device() == pty.path() && f.ctx.ptts.serial.line() == PttLine::Dtr);
        QStringList user;
        QSettings file(QSettings().fileName(), QSettings::IniFormat);  // what the per-user file holds
        for (const char *key : {"Ports/Com4", "Station/PttLine", "Properties/Settings", "Properties/CommPort", "Properties/Handshaking"})
            user << file.value(key).toString();
        QCOMPARE(user, (QStringList{pty.path(), "DTR", "19200,E,7,1.5", "4", "2"}));

        // Opened again, it shows what was stored.
        frmProperties again(f.ctx.config, f.w->findChild<MainMenus *>()->handshaking());
        QCOMPARE(box(again, "cboPort")->currentText() + box(again, "cboDevice")->currentText() + lineShown(again), "Com4" + pty.path() + "19200 Even 7 1.5");
        QVERIFY(PttLine(box(again, "cboPtt")->currentData().toInt()) == PttLine::Dtr && again.findChild<QRadioButton *>("optFlow2")->isChecked());
        // The bound device and the number's default are offered, whatever else is plugged in.
        QVERIFY(box(again, "cboDevice")->findText(pty.path()) >= 0 && box(again, "cboDevice")->findText("/dev/ttyS3") >= 0);
    }

    // "Essai PTT" keys the method shown, not yet stored, for two seconds; the
    // method and the station are stored, handed to the transmitter and shown again.
    void pttMethodTriedStoredAndShown()
    {
        Daemon rig;
        Fixture f;
        frmProperties d(f.ctx.config, 0, nullptr, f.ctx.transmitter.get());
        d.show();
        box(d, "cboMethod")->setCurrentIndex(box(d, "cboMethod")->findData(int(PttMethod::Rigctld)));
        // No daemon there: the test says why at once.
        d.findChild<QSpinBox *>("spnTcpPort")->setValue(freePort());
        QTest::mouseClick(d.findChild<QPushButton *>("cmdTest"), Qt::LeftButton);
        QVERIFY(d.findChild<QLabel *>("lblTest")->text().contains("connexion refusée") && !f.ctx.transmitter->isBusy());
        d.findChild<QSpinBox *>("spnTcpPort")->setValue(rig.port);
        d.findChild<QLineEdit *>("txtCallSign")->setText("F1ABC");
        d.findChild<QLineEdit *>("txtPlace")->setText("Rennes");
        QSignalSpy keyed(f.ctx.transmitter.get(), &Transmitter::keyedChanged);
        QTest::mouseClick(d.findChild<QPushButton *>("cmdTest"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(pttState(rig.port), QByteArray("1"), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(d.findChild<QLabel *>("lblTest")->text().startsWith("Essai terminé"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(pttState(rig.port), QByteArray("0"), 1500);
        QCOMPARE(keyed.size(), 2);
        QTest::mouseClick(d.findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        QString err;
        QVERIFY(d.result() == QDialog::Accepted && f.ctx.config.applyPort(d.choice(), &err));
        QVERIFY(f.ctx.ptts.chosen() == &f.ctx.ptts.rigctld && f.ctx.ptts.rigctld.port() == rig.port);
        QSettings file(QSettings().fileName(), QSettings::IniFormat);
        QStringList user;
        for (const char *key : {"Station/MethodePtt", "Station/RigctldHote", "Station/RigctldPort", "Station/Indicatif", "Station/Lieu"})
            user << file.value(key).toString();
        QCOMPARE(user, (QStringList{"rigctld", "127.0.0.1", QString::number(rig.port), "F1ABC", "Rennes"}));
        frmProperties again(f.ctx.config);
        QVERIFY(PttMethod(box(again, "cboMethod")->currentData().toInt()) == PttMethod::Rigctld
                && again.findChild<QSpinBox *>("spnTcpPort")->value() == rig.port
                && again.findChild<QLineEdit *>("txtPlace")->text() == "Rennes");
    }

    void choicesCheckedOnOk()
    {
        const struct { const char *settings, *device, *says; bool accepted; } cases[] = {
            {"abc,,,", "/dev/null", "Réglages du port invalides", false},
            // The list offers 4 data bits; no Linux port does it.
            {"110,s,4,2", "/dev/null", "5 à 8", false},
            {"9600,N,8,1", "ttyUSB0", "chemin complet", false},
            {"9600,N,8,1", "  ", "chemin complet", false},
            // A USB adapter not plugged in right now.
            {"9600,N,8,1", "/dev/pontavel-absent", "/dev/pontavel-absent", true}};
        for (const auto &c : cases) {
            Fixture f(c.settings);
            frmProperties d(f.ctx.config);
            d.show();
            box(d, "cboPort")->setCurrentIndex(4);
            box(d, "cboDevice")->setCurrentText(c.device);
            ModalAnswer seen;
            QTest::mouseClick(d.findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
            QVERIFY2(seen.seen && seen.text.contains(c.says), qPrintable(seen.text));
            QVERIFY(d.result() == (c.accepted ? QDialog::Accepted : 0) && d.isVisible() != c.accepted);
            QVERIFY(!c.accepted || (d.choice().comNumber == 5 && d.choice().device == c.device));
        }
    }

    // What keying says when the port or the sound output cannot be used.
    void portErrorsSayWhatToDo()
    {
        PseudoTerminal pty, bare;  // without the shim a pty has no modem lines to set
        QSerialPort holder(pty.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        SerialPtt ptt;
        const struct { QString device; PttLine line; const char *says, *also; } cases[] = {
            {pty.path(), PttLine::Rts, "occupé", "autre programme"}, {"/dev/pontavel-absent", PttLine::Rts, "absent", "menu Port"},
            {"", PttLine::Rts, "aucun périphérique valable", ""}, {bare.path(), PttLine::Rts, "baisser DTR", ""},
            {bare.path(), PttLine::Dtr, "baisser RTS", ""}, {bare.path(), PttLine::Both, "lever RTS et DTR", ""}};
        for (const auto &c : cases) {
            QString err;
            ptt.configure(2, c.device, "9600,N,8,1", c.line);
            QVERIFY(!ptt.key(&err) && !ptt.isKeyed());
            QVERIFY2(err.contains(c.says) && err.contains(c.also), qPrintable(err));
        }
        // An absent output is named as the dialog stored it.
        Fixture f;
        QString err;
        PortChoice c;
        c.device = "/dev/null", c.lineSettings = "9600,N,8,1", c.outputId = "pontavel-absente", c.outputDescription = "Carte son radio";
        QVERIFY(f.ctx.config.applyPort(c, &err));
        QVERIFY(!f.ctx.transmitter->startSequence({"Wav/f1.wav"}, &err));
        QVERIFY2(err.contains("« Carte son radio » choisie"), qPrintable(err));
    }

    void storeFailureChangesNothing()
    {
        Fixture f;
        QSqlQuery(f.ctx.store.database()).exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                                               "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END");
        const QString before = f.ctx.ptts.serial.device();
        QString error;
        PortChoice c;
        c.comNumber = 3, c.device = "/dev/null", c.lineSettings = "4800,N,8,1";
        QVERIFY(!f.ctx.config.applyPort(c, &error));
        QVERIFY2(error.contains("lecture seule") && f.ws.storedSettings().portSettings == "9600,N,8,1", qPrintable(error));
        QVERIFY(f.ctx.config.row().comNumber == 1 && f.ctx.ptts.serial.device() == before);
        QSettings file(QSettings().fileName(), QSettings::IniFormat);
        QVERIFY(!file.contains("Ports/Com3") && !file.contains("Properties/Settings"));
    }
};

QTEST_MAIN(tst_properties)
#include "tst_properties.moc"
