// The serial port dialog and the one settings path behind it, on a real
// relai.db and real per-user settings.

#include "testsupport.h"

#include "serial/frmproperties.h"
#include "core/portbinding.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>

namespace {

struct Fixture
{
    TempWorkspace ws;
    AppContext ctx;
    explicit Fixture(const QString &settings = QStringLiteral("9600,N,8,1"), int com = 1)
    {
        ws.store();
        ws.setParam("settings", settings);
        ws.setParam("N°Com", com);
        ws.closeStore();
        ctx.store.open(ws.file("relai.db"));
        ctx.config.load();
    }
    Settings stored() const
    {
        Store fresh;
        fresh.open(ws.file("relai.db"));
        return fresh.settings();
    }
};

// What the real per-user settings file holds, read as a file of its own.
std::unique_ptr<QSettings> userFile()
{
    return std::make_unique<QSettings>(QSettings().fileName(), QSettings::IniFormat);
}

} // namespace

class tst_properties : public QObject
{
    Q_OBJECT
private slots:
    void init() { useTestSettings(); }

    void opensOnTheStoredSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QString>("stop");
        QTest::newRow("lower n") << "9600,n,8,1" << "9600" << "None" << "8" << "1";
        QTest::newRow("1.5 stop, e") << "19200,e,7,1.5" << "19200" << "Even" << "7" << "1.5";
        QTest::newRow("odd") << "1200,o,8,2" << "1200" << "Odd" << "8" << "2";
        QTest::newRow("mark") << "300,M,5,1" << "300" << "Mark" << "5" << "1";
        QTest::newRow("space") << "110,s,4,2" << "110" << "Space" << "4" << "2";
        QTest::newRow("blanks") << " 4800 , N , 8 , 1 " << "4800" << "None" << "8" << "1";
        QTest::newRow("empty") << "" << "" << "" << "" << "";
        QTest::newRow("five fields") << "9600,N,8,1,1" << "" << "" << "" << "";
        QTest::newRow("unknown parts") << "9601,X,9,3" << "" << "" << "" << "";
    }
    void opensOnTheStoredSettings()
    {
        QFETCH(QString, settings);
        QFETCH(QString, speed);
        QFETCH(QString, parity);
        QFETCH(QString, bits);
        QFETCH(QString, stop);
        Fixture f(settings);
        frmProperties d(f.ctx);
        QCOMPARE(d.cboSpeed->currentText(), speed);
        QCOMPARE(d.cboParity->currentText(), parity);
        QCOMPARE(d.cboDataBits->currentText(), bits);
        QCOMPARE(d.cboStopBits->currentText(), stop);
    }

    // The dialog returns its choice; the menu stores it and hands it to the port at once.
    void okThroughTheMenuStoresAndConfiguresThePort()
    {
        PseudoTerminal pty;
        QVERIFY(!pty.path().isEmpty());
        MainFixture f;
        f.w->show();
        whenModal([&](QWidget *m) {
            auto *d = qobject_cast<frmProperties *>(m);
            QVERIFY(d);
            d->cboPort->setCurrentIndex(3);   // Com4
            d->cboDevice->setCurrentText(pty.path());
            d->cboSpeed->setCurrentText("19200");
            d->cboParity->setCurrentText("Even");
            d->cboDataBits->setCurrentText("7");
            d->cboStopBits->setCurrentText("1.5");
            d->cboPtt->setCurrentIndex(d->cboPtt->findData(int(PttLine::Dtr)));
            QTest::mouseClick(d->optFlow[2], Qt::LeftButton, {}, QPoint(8, d->optFlow[2]->height() / 2));
            QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        });
        f.w->findChild<QAction *>("port")->trigger();

        Store fresh;
        fresh.open(f.ws.file("relai.db"));
        QCOMPARE(fresh.settings().comNumber, 4);
        QCOMPARE(fresh.settings().portSettings, QStringLiteral("19200,E,7,1.5"));
        QCOMPARE(f.ctx.ptt.device(), pty.path());
        QCOMPARE(f.ctx.ptt.line(), PttLine::Dtr);
        auto file = userFile();
        QCOMPARE(file->value("Ports/Com4").toString(), pty.path());
        QCOMPARE(file->value("Station/PttLine").toString(), QStringLiteral("DTR"));
        QCOMPARE(file->value("Properties/Settings").toString(), QStringLiteral("19200,E,7,1.5"));
        QCOMPARE(file->value("Properties/CommPort").toString(), QStringLiteral("4"));
        QCOMPARE(file->value("Properties/Handshaking").toString(), QStringLiteral("2"));

        // Opened again, it shows what was stored.
        frmProperties again(f.ctx);
        QCOMPARE(again.cboPort->currentText(), QStringLiteral("Com4"));
        QCOMPARE(again.cboDevice->currentText(), pty.path());
        QCOMPARE(again.cboParity->currentText(), QStringLiteral("Even"));
        QCOMPARE(PttLine(again.cboPtt->currentData().toInt()), PttLine::Dtr);
        QVERIFY(again.optFlow[2]->isChecked());
    }

    // A USB adapter not plugged in right now: accepted, with a warning.
    void absentDeviceIsAcceptedWithAWarning()
    {
        Fixture f(QStringLiteral("9600,N,8,1"), 2);
        frmProperties d(f.ctx);
        d.show();
        d.cboPort->setCurrentIndex(4);
        d.cboDevice->setCurrentText("/dev/pontavel-absent");
        ModalAnswer seen;
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QVERIFY(seen.seen);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QVERIFY2(seen.text.contains("/dev/pontavel-absent"), qPrintable(seen.text));
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.choice().comNumber, 5);
        QCOMPARE(d.choice().device, QStringLiteral("/dev/pontavel-absent"));
    }

    void refusedChoicesKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("says");
        QTest::newRow("nothing selected") << "abc,,," << "/dev/null" << "Réglages du port invalides";
        // The list offers 4 data bits; no Linux port does it.
        QTest::newRow("4 data bits") << "110,s,4,2" << "/dev/null" << "5 à 8";
        QTest::newRow("relative device") << "9600,N,8,1" << "ttyUSB0" << "chemin complet";
        QTest::newRow("blank device") << "9600,N,8,1" << "  " << "chemin complet";
    }
    void refusedChoicesKeepTheDialogOpen()
    {
        QFETCH(QString, settings);
        QFETCH(QString, device);
        QFETCH(QString, says);
        Fixture f(settings);
        frmProperties d(f.ctx);
        d.show();
        d.cboDevice->setCurrentText(device);
        ModalAnswer seen;
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QVERIFY(seen.seen);
        QVERIFY2(seen.text.contains(says), qPrintable(seen.text));
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), 0);
    }

    // What keying says when the port cannot be used.
    void portErrorsSayWhatToDo()
    {
        PseudoTerminal pty;
        QSerialPort holder(pty.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        SerialPtt ptt;
        QString err;
        ptt.configure(2, pty.path(), "9600,N,8,1");
        QVERIFY(!ptt.key(&err));
        QVERIFY2(err.contains("occupé") && err.contains("autre programme"), qPrintable(err));
        ptt.configure(2, "/dev/pontavel-absent", "9600,N,8,1");
        QVERIFY(!ptt.key(&err));
        QVERIFY2(err.contains("absent") && err.contains("menu Port"), qPrintable(err));
        ptt.configure(2, "", "9600,N,8,1");
        QVERIFY(!ptt.key(&err));
        QVERIFY2(err.contains("aucun périphérique valable"), qPrintable(err));
        QVERIFY(!ptt.isKeyed());
    }

    void storeFailureChangesNothing()
    {
        Fixture f;
        {
            QSqlQuery q(f.ctx.store.database());
            QVERIFY(q.exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                           "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END"));
        }
        const QString before = f.ctx.ptt.device();
        PortChoice c;
        c.comNumber = 3;
        c.device = QStringLiteral("/dev/null");
        c.lineSettings = QStringLiteral("4800,N,8,1");
        QString error;
        QVERIFY(!f.ctx.config.applyPort(c, &error));
        QVERIFY2(error.contains("lecture seule"), qPrintable(error));
        QCOMPARE(f.stored().portSettings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(f.ctx.config.row().comNumber, 1);
        QCOMPARE(f.ctx.ptt.device(), before);
        QVERIFY(!userFile()->contains("Ports/Com3"));
        QVERIFY(!userFile()->contains("Properties/Settings"));
    }
};

QTEST_MAIN(tst_properties)
#include "tst_properties.moc"
