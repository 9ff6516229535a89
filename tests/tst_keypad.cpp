// The DTMF keys through the real transmitter: keyed while a key is held, each
// press's whole tone played, and every way a press ends.

#include "testsupport.h"
#include "pulsefixture.h"

#include "map/txindicator.h"

#include <QPushButton>
#include <QSignalSpy>

class tst_keypad : public QObject
{
    Q_OBJECT
    PulseFixture pulse;

    struct Pad
    {
        Station st;
        Pad()
        {
            // The * key's file is named with "+".
            for (QChar k : QStringLiteral("0123456789ABCD#+"))
                QVERIFY(writeDtmfFile(QStringLiteral("Wav2/2f") + k + ".wav", k == '+' ? QChar('*') : k));
            st.load();
            QVERIFY(QTest::qWaitForWindowExposed(st.frm.get()));
        }
        QPushButton *key(int i) { return st.frm->FVocal[i]; }
        bool idle() const
        {
            return !st.line.on && !st.ctx.transmitter->isBusy() && !st.ctx.state.EnvoiEnCours
                   && !QApplication::overrideCursor();
        }
    };

private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
    }

    void heldKeyStaysKeyedAndAClickPlaysItsWholeTone()
    {
        Pad p;
        QVERIFY(pulse.record("pad.wav"));
        QTest::mousePress(p.key(5), Qt::LeftButton);
        QVERIFY(p.st.ctx.state.EnvoiEnCours);
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        // The 200 ms tone is long over: the line stays up while the key is held.
        QTRY_VERIFY_WITH_TIMEOUT(p.st.frm->panelEmission->text().startsWith("ÉMISSION 1 s"), 3000);
        QVERIFY(p.st.line.on);
        QTest::mouseRelease(p.key(5), Qt::LeftButton);
        // Held on, it would stay up until the transmit limit (60 s).
        QTRY_VERIFY_WITH_TIMEOUT(p.idle(), 3500);
        // A click shorter than the tone, with another button.
        QTest::mouseClick(p.key(15), Qt::RightButton);
        QVERIFY(p.st.ctx.transmitter->isBusy());
        QTRY_VERIFY(p.idle());
        QCOMPARE(p.st.line.log, (QStringList{"on", "off", "on", "off"}));
        QCOMPARE(pulse.heard("pad.wav"), QString("5*"));
    }

    // The transmitter ends a held key or refuses it: the operator is told, the key shows released.
    void endedOrRefusedPressIsShown_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("says");
        QTest::newRow("transmit limit") << "" << false << "Durée maximale d'émission atteinte (1 s)";
        QTest::newRow("port unusable") << "Le port /dev/ttyS0 est absent." << false << "Le port /dev/ttyS0 est absent.";
        QTest::newRow("tone file missing") << "" << true << "Wav2/2f7.wav";
    }
    void endedOrRefusedPressIsShown()
    {
        QFETCH(QString, refuse);
        QFETCH(bool, missing);
        QFETCH(QString, says);
        QSettings().setValue("Emission/MaxTransmitSeconds", 1);
        auto reset = qScopeGuard([] { QSettings().remove("Emission/MaxTransmitSeconds"); });
        Pad p;
        p.st.line.refuse = refuse;
        if (missing)
            QVERIFY(QFile::remove("Wav2/2f7.wav"));
        QTest::mousePress(p.key(7), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!p.st.messages(p.st.frm.get()).isEmpty(), 3000);
        const auto shown = p.st.messages(p.st.frm.get());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0]->text().contains(says), qPrintable(shown[0]->text()));
        QVERIFY(missing || !p.key(7)->isDown());
        QVERIFY(p.idle());
        QTest::mouseRelease(p.key(7), Qt::LeftButton);
        QCOMPARE(p.st.line.log.join(' '), QString(refuse.isEmpty() && !missing ? "on off" : ""));
    }

    void losingTheKeyReleases_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("dragged off") << 0;
        QTest::newRow("pointer taken away") << 1;
        QTest::newRow("another window in front") << 2;
        QTest::newRow("main window hidden") << 3;
    }
    void losingTheKeyReleases()
    {
        QFETCH(int, way);
        Pad p;
        QSignalSpy keyed(p.st.ctx.transmitter.get(), &Transmitter::keyedChanged);
        QTest::mousePress(p.key(1), Qt::LeftButton);
        QVERIFY(keyed.wait(3000));
        QWidget other;
        QEvent leave(QEvent::Leave);
        if (way == 0)
            QTest::mouseMove(p.key(1), QPoint(-40, 5));
        else if (way == 1)
            QApplication::sendEvent(p.key(1), &leave);
        else if (way == 2)
            other.show(), other.activateWindow();
        else
            p.st.frm->hide();
        QTRY_VERIFY_WITH_TIMEOUT(p.idle(), 3500);
        QCOMPARE(p.st.line.log, (QStringList{"on", "off"}));
        QTest::mouseRelease(p.key(1), Qt::LeftButton);
    }
};

QTEST_MAIN(tst_keypad)
#include "tst_keypad.moc"
