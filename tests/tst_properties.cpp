// The serial port dialog on a real relai.db and real per-user settings.

#include "tst_menus_support.h"

#include "serial/frmproperties.h"
#include "serial/portbinding.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

// Stands in for the radio: records what the port is told.
class RecordingTransmitter : public Transmitter
{
public:
    QList<QPair<int, QString>> configured;
    void configurePort(int com, const QString &settings) override { configured.append({com, settings}); }
};

QStringList items(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

struct Fixture
{
    TempWorkspace ws;
    AppContext ctx;
    RecordingTransmitter *tx = nullptr;
    explicit Fixture(const QString &settings = QStringLiteral("9600,N,8,1"), int com = 1)
    {
        ws.store();
        ws.setParam("settings", settings);
        ws.setParam("N°Com", com);
        ws.closeStore();
        ctx.store.open(ws.file("relai.db"));
        ctx.settings = ctx.store.settings();
        auto t = std::make_unique<RecordingTransmitter>();
        tx = t.get();
        ctx.transmitter = std::move(t);
    }
    Settings stored() const
    {
        Store fresh;
        fresh.open(ws.file("relai.db"));
        return fresh.settings();
    }
};

// What the real per-user settings file holds, read as a file of its own.
QSettings *userFile()
{
    const QString path = QSettings().fileName();
    return new QSettings(path, QSettings::IniFormat);
}

} // namespace

class tst_properties : public QObject
{
    Q_OBJECT
private slots:
    void init() { useTestSettings(); }

    void layoutAndLists()
    {
        Fixture f;
        frmProperties d(f.ctx);
        QCOMPARE(d.windowTitle(), QStringLiteral("Propriétés CommPort"));
        QCOMPARE(d.tabSettings->count(), 1);
        QVERIFY(d.fraSettings->isAncestorOf(d.cboSpeed));
        QStringList ports;
        for (int i = 1; i <= 16; ++i)
            ports << QStringLiteral("Com%1").arg(i);
        QCOMPARE(items(d.cboPort), ports);
        QCOMPARE(items(d.cboSpeed), (QStringList{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                                 "28800", "38400", "56000", "57600", "115200", "128000", "256000"}));
        QCOMPARE(items(d.cboDataBits), (QStringList{"4", "5", "6", "7", "8"}));
        QCOMPARE(items(d.cboParity), (QStringList{"Even", "Odd", "None", "Mark", "Space"}));
        QCOMPARE(items(d.cboStopBits), (QStringList{"1", "1.5", "2"}));
        QStringList flows, echoes;
        for (auto *b : d.optFlow)
            flows << b->text();
        for (auto *b : d.optEcho)
            echoes << b->text();
        QCOMPARE(flows, (QStringList{"Aucun", "XOn/XOff", "RTS", "XOn/RTS"}));
        QCOMPARE(echoes, (QStringList{"Non", "Oui"}));
        QCOMPARE(d.cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(d.cmdCancel->text(), QStringLiteral("Annuler"));
        QStringList frames;
        for (QGroupBox *g : d.findChildren<QGroupBox *>())
            if (!g->title().isEmpty())
                frames << g->title();
        frames.sort();
        QCOMPARE(frames, (QStringList{"&Écho", "Contrôle du &Flux", "Préférences de connexion", "Vitesse maximum"}));
        QVERIFY(d.optEcho[0]->isChecked());
        QVERIFY(d.optFlow[0]->isChecked());
        d.show();
        QDir().mkpath(QString::fromLocal8Bit(qgetenv("PONTAVEL_BINARY_DIR")) + "/screenshots");
        d.grab().save(QString::fromLocal8Bit(qgetenv("PONTAVEL_BINARY_DIR")) + "/screenshots/serial_dialog.png");
    }

    void opensOnTheStoredSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QString>("stop");
        QTest::newRow("lower n") << "9600,n,8,1" << "9600" << "None" << "8" << "1";
        QTest::newRow("upper N") << "9600,N,8,1" << "9600" << "None" << "8" << "1";
        QTest::newRow("1.5 stop, e") << "19200,e,7,1.5" << "19200" << "Even" << "7" << "1.5";
        QTest::newRow("1.5 stop, E") << "19200,E,7,1.5" << "19200" << "Even" << "7" << "1.5";
        QTest::newRow("odd") << "1200,o,8,2" << "1200" << "Odd" << "8" << "2";
        QTest::newRow("mark") << "300,M,5,1" << "300" << "Mark" << "5" << "1";
        QTest::newRow("space") << "110,s,4,2" << "110" << "Space" << "4" << "2";
        QTest::newRow("blanks") << " 4800 , N , 8 , 1 " << "4800" << "None" << "8" << "1";
        QTest::newRow("empty") << "" << "" << "" << "" << "";
        QTest::newRow("speed only") << "9600" << "" << "" << "" << "";
        QTest::newRow("abc,,,") << "abc,,," << "" << "" << "" << "";
        QTest::newRow("five fields") << "9600,N,8,1,1" << "" << "" << "" << "";
        QTest::newRow("unknown parts") << "9601,X,9,3" << "" << "" << "" << "";
        QTest::newRow("long parity") << "9600,None,8,1" << "9600" << "" << "8" << "1";
    }
    void opensOnTheStoredSettings()
    {
        QFETCH(QString, settings);
        QFETCH(QString, speed);
        QFETCH(QString, parity);
        QFETCH(QString, bits);
        QFETCH(QString, stop);
        Fixture f(settings);
        QCOMPARE(f.ctx.settings.portSettings, settings);
        frmProperties d(f.ctx);
        QCOMPARE(d.cboSpeed->currentText(), speed);
        QCOMPARE(d.cboParity->currentText(), parity);
        QCOMPARE(d.cboDataBits->currentText(), bits);
        QCOMPARE(d.cboStopBits->currentText(), stop);
        QCOMPARE(d.cboPort->currentText(), QStringLiteral("Com1"));
    }

    void okStoresAndReopensOnWhatItStored()
    {
        Fixture f(QStringLiteral("9600,n,8,1"));
        {
            frmProperties d(f.ctx);
            d.show();
            d.cboSpeed->setCurrentText("19200");
            d.cboParity->setCurrentText("Even");
            d.cboDataBits->setCurrentText("7");
            d.cboStopBits->setCurrentText("1.5");
            QTest::mouseClick(d.optFlow[2], Qt::LeftButton, {}, QPoint(8, d.optFlow[2]->height() / 2));
            QTest::mouseClick(d.optEcho[1], Qt::LeftButton, {}, QPoint(8, d.optEcho[1]->height() / 2));
            QCOMPARE(d.flow(), 2);
            QVERIFY(d.echo());
            QTest::mouseClick(d.cmdOK, Qt::LeftButton);
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QCOMPARE(f.stored().portSettings, QStringLiteral("19200,E,7,1.5"));
        QCOMPARE(f.stored().comNumber, 1);
        QCOMPARE(f.tx->configured, (QList<QPair<int, QString>>{{1, "19200,E,7,1.5"}}));
        std::unique_ptr<QSettings> file(userFile());
        QCOMPARE(file->value("Properties/Settings").toString(), QStringLiteral("19200,E,7,1.5"));
        QCOMPARE(file->value("Properties/CommPort").toString(), QStringLiteral("1"));
        QCOMPARE(file->value("Properties/Handshaking").toString(), QStringLiteral("2"));
        QCOMPARE(file->value("Properties/Echo").toString(), QStringLiteral("True"));

        // Opened again, the dialog shows what it has just stored (upper-case parity).
        frmProperties again(f.ctx);
        QCOMPARE(again.cboSpeed->currentText(), QStringLiteral("19200"));
        QCOMPARE(again.cboParity->currentText(), QStringLiteral("Even"));
        QCOMPARE(again.cboDataBits->currentText(), QStringLiteral("7"));
        QCOMPARE(again.cboStopBits->currentText(), QStringLiteral("1.5"));
        QVERIFY(again.optFlow[2]->isChecked());
        QVERIFY(again.optEcho[0]->isChecked());  // echo always opens on "Non"
    }

    void portChangeToAnExistingDevice()
    {
        PseudoTerminal pty;
        QVERIFY(!pty.path().isEmpty());
        Fixture f;
        frmProperties d(f.ctx);
        d.show();
        d.cboPort->setCurrentIndex(2);  // Com3
        QCOMPARE(d.cboDevice->currentText(), QStringLiteral("/dev/ttyS2"));
        d.cboDevice->setCurrentText(pty.path());
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(f.stored().comNumber, 3);
        QCOMPARE(PortBinding::device(3), pty.path());
        QCOMPARE(f.tx->configured.value(0).first, 3);
        std::unique_ptr<QSettings> file(userFile());
        QCOMPARE(file->value("Properties/CommPort").toString(), QStringLiteral("3"));
        QCOMPARE(file->value("Ports/Com3").toString(), pty.path());

        // The binding is shown beside the number when the dialog opens again.
        frmProperties again(f.ctx);
        QCOMPARE(again.cboPort->currentText(), QStringLiteral("Com3"));
        QCOMPARE(again.cboDevice->currentText(), pty.path());
        QVERIFY(items(again.cboDevice).contains(pty.path()));
        again.cboPort->setCurrentIndex(3);
        QCOMPARE(again.cboDevice->currentText(), QStringLiteral("/dev/ttyS3"));
    }

    void missingDeviceKeepsTheDialogOpenWithTheOldNumber()
    {
        Fixture f(QStringLiteral("9600,N,8,1"), 2);
        frmProperties d(f.ctx);
        d.show();
        QCOMPARE(d.cboPort->currentText(), QStringLiteral("Com2"));
        d.cboPort->setCurrentIndex(4);
        d.cboDevice->setCurrentText("/dev/pontavel-absent");
        auto seen = acceptNextMessage();
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QVERIFY(seen->seen);
        QCOMPARE(seen->icon, QMessageBox::Warning);
        QVERIFY2(seen->text.contains("/dev/pontavel-absent"), qPrintable(seen->text));
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), 0);
        QCOMPARE(d.cboPort->currentText(), QStringLiteral("Com2"));
        QCOMPARE(f.stored().comNumber, 2);
        QVERIFY(f.tx->configured.isEmpty());
        std::unique_ptr<QSettings> file(userFile());
        QVERIFY(!file->contains("Properties/CommPort"));
        QVERIFY(!file->contains("Ports/Com5"));
    }

    void nothingSelectedIsRefused()
    {
        Fixture f(QStringLiteral("abc,,,"));
        frmProperties d(f.ctx);
        d.show();
        auto seen = acceptNextMessage();
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QVERIFY(seen->seen);
        QVERIFY(seen->text.startsWith(QStringLiteral("Réglages du port invalides")));
        QVERIFY(d.isVisible());
        QCOMPARE(f.stored().portSettings, QStringLiteral("abc,,,"));
        QVERIFY(!std::unique_ptr<QSettings>(userFile())->contains("Properties/Settings"));
    }

    void databaseFailureStoresNothing()
    {
        Fixture f;
        {
            QSqlQuery q(f.ctx.store.database());
            QVERIFY(q.exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                           "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END"));
        }
        frmProperties d(f.ctx);
        d.show();
        d.cboSpeed->setCurrentText("4800");
        auto seen = acceptNextMessage();
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QVERIFY(seen->seen);
        QVERIFY(seen->text.contains("lecture seule"));
        QVERIFY(d.isVisible());
        QCOMPARE(f.stored().portSettings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(f.ctx.settings.portSettings, QStringLiteral("9600,N,8,1"));
        QVERIFY(f.tx->configured.isEmpty());
        QVERIFY(!std::unique_ptr<QSettings>(userFile())->contains("Properties/Settings"));
    }

    void cancelLeavesEverythingUntouched()
    {
        Fixture f;
        frmProperties d(f.ctx);
        d.show();
        d.cboPort->setCurrentIndex(5);
        d.cboSpeed->setCurrentText("300");
        QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(f.stored().comNumber, 1);
        QCOMPARE(f.stored().portSettings, QStringLiteral("9600,N,8,1"));
        QVERIFY(f.tx->configured.isEmpty());
        std::unique_ptr<QSettings> file(userFile());
        QVERIFY(!file->contains("Properties/Settings"));
        QVERIFY(!file->contains("Ports/Com6"));
    }
};

QTEST_MAIN(tst_properties)
#include "tst_properties.moc"
