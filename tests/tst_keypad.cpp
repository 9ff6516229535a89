// The DTMF keys: the transmitter is keyed for exactly as long as a key is held.

#include "testsupport.h"

#include "map/keypad.h"
#include "map/mapinteraction.h"
#include "map/txindicator.h"

#include <QPushButton>
#include <QToolButton>

class tst_keypad : public QObject
{
    Q_OBJECT

    struct Pad
    {
        Station st;
        Pad()
        {
            makeToneFiles("Wav2", "2f", "0123456789ABCD#+");
            st.load();
            QVERIFY(QTest::qWaitForWindowExposed(st.frm.get()));
        }
        QPushButton *key(int i) { return st.frm->FVocal[i]; }
    };

private slots:
    void holdAndRelease()
    {
        Pad p;
        QTest::mousePress(p.key(5), Qt::LeftButton);
        QCOMPARE(p.st.tx->log, (QStringList{"held Wav2/2f5.wav", "RTS on"}));
        QVERIFY(p.st.tx->isKeyed());
        QVERIFY(p.st.ctx.state.EnvoiEnCours);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(p.st.frm->panelEmission->text().startsWith(QStringLiteral("ÉMISSION 0 s")));
        QTRY_VERIFY_WITH_TIMEOUT(p.st.frm->panelEmission->text().startsWith(QStringLiteral("ÉMISSION 1 s")), 2000);
        QTest::mouseRelease(p.key(5), Qt::LeftButton);
        QVERIFY(!p.st.frm->panelEmission->isOn());
        QCOMPARE(p.st.tx->log.mid(2), (QStringList{"held stop", "RTS off"}));
        QVERIFY(!p.st.tx->isKeyed());
        QVERIFY(!p.st.ctx.state.EnvoiEnCours);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(p.st.frm->etat(), QString("Etat :"));

        // "*" plays the file named with "+"; any mouse button works.
        p.st.tx->log.clear();
        QTest::mousePress(p.key(15), Qt::RightButton);
        QCOMPARE(p.st.tx->log.value(0), QString("held Wav2/2f+.wav"));
        QTest::mouseRelease(p.key(15), Qt::RightButton);
        QVERIFY(!p.st.tx->isKeyed());
    }

    // The transmit limit ends a held key: the operator is told, the key shows released.
    void maximumTimeReleasesTheKey()
    {
        Pad p;
        QTest::mousePress(p.key(3), Qt::LeftButton);
        QVERIFY(p.key(3)->isDown());
        p.st.tx->stop();
        emit p.st.tx->maxTransmitTimeReached(QStringLiteral("Durée maximale d'émission atteinte (60 s)"));
        QVERIFY(!p.key(3)->isDown());
        QVERIFY(!p.st.ctx.state.EnvoiEnCours);
        QVERIFY(!QApplication::overrideCursor());
        const auto shown = p.st.messages(p.st.frm.get());
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]->text().startsWith(QStringLiteral("Durée maximale")));
        QTest::mouseRelease(p.key(3), Qt::LeftButton);
        QCOMPARE(p.st.tx->log.count(QStringLiteral("RTS on")), 1);
    }

    void losingTheMouseOrTheWindowReleases()
    {
        Pad p;
        // Dragged off the key while held.
        QTest::mousePress(p.key(1), Qt::LeftButton);
        QVERIFY(p.st.tx->isKeyed());
        QTest::mouseMove(p.key(1), QPoint(-40, 5));
        QVERIFY(!p.st.tx->isKeyed());
        QTest::mouseRelease(p.key(1), Qt::LeftButton);

        // The window system takes the pointer away (leave).
        QTest::mousePress(p.key(2), Qt::LeftButton);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(p.key(2), &leave);
        QVERIFY(!p.st.tx->isKeyed());
        QVERIFY(!QApplication::overrideCursor());
        QTest::mouseRelease(p.key(2), Qt::LeftButton);

        // Another window comes to the front.
        QTest::mousePress(p.key(3), Qt::LeftButton);
        QVERIFY(p.st.tx->isKeyed());
        QWidget other;
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!p.st.tx->isKeyed());
        QVERIFY(!p.st.ctx.state.EnvoiEnCours);
        QTest::mouseRelease(p.key(3), Qt::LeftButton);

        // The main window is hidden.
        p.st.frm->activateWindow();
        QTRY_VERIFY(p.st.frm->isActiveWindow());
        QTest::mousePress(p.key(4), Qt::LeftButton);
        QVERIFY(p.st.tx->isKeyed());
        p.st.frm->hide();
        QVERIFY(!p.st.tx->isKeyed());
        QCOMPARE(p.st.tx->log.count("held stop"), 4);
        QVERIFY(!QApplication::overrideCursor());
    }

    void refusedToneIsShownAndLeavesAllIdle()
    {
        Pad p;
        QFile::remove("Wav2/2f7.wav");
        QTest::mousePress(p.key(7), Qt::LeftButton);
        QVERIFY(!p.st.tx->isKeyed());
        const auto boxes = p.st.messages(p.st.frm.get());
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->text().contains("Wav2/2f7.wav"));
        QCOMPARE(boxes[0]->icon(), QMessageBox::NoIcon);
        QCOMPARE(boxes[0]->standardButtons(), QMessageBox::Ok);
        QTest::mouseRelease(p.key(7), Qt::LeftButton);
        QVERIFY(!p.st.ctx.state.EnvoiEnCours);
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(tst_keypad)
#include "tst_keypad.moc"
