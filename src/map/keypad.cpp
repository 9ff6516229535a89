#include "keypad.h"

#include "core/dtmf.h"
#include "audio/journalrecorder.h"
#include "audio/tonefiles.h"
#include "audio/transmitter.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

Keypad::Keypad(Transmitter *transmitter, const QVector<QPushButton *> &keys, QWidget *window, QObject *parent)
    : QObject(parent), m_tx(transmitter), m_keys(keys), m_window(window)
{
    for (QPushButton *b : m_keys)
        b->installEventFilter(this);
    if (m_window)
        m_window->installEventFilter(this);
    // The transmitter ended a held key by itself (time limit, port lost):
    // say why and show the key released.
    if (Transmitter *tx = m_tx) {
        auto endedByTransmitter = [this](const QString &text) {
            if (!m_held)
                return;
            QPushButton *button = m_held;
            FinTouche();
            button->setDown(false);
            auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Pontavel"), text,
                                        QMessageBox::Ok, m_window);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        };
        connect(tx, &Transmitter::maxTransmitTimeReached, this, endedByTransmitter);
        connect(tx, &Transmitter::portWarning, this, endedByTransmitter);
    }
}

Keypad::~Keypad()
{
    FinTouche();
}

QChar Keypad::keyOf(int index)
{
    static const QString keys = Dtmf::keys();
    return index >= 0 && index < keys.size() ? keys.at(index) : QChar();
}

bool Keypad::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
        case QEvent::Close:
            FinTouche();
            break;
        default:
            break;
        }
        return false;
    }
    auto *button = qobject_cast<QPushButton *>(watched);
    if (!button || !m_keys.contains(button))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        press(button);
        break;
    case QEvent::MouseButtonRelease:
        FinTouche();
        break;
    case QEvent::MouseMove:
        // The pointer dragged off the key while held.
        if (m_held == button && !button->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
            FinTouche();
        break;
    case QEvent::Leave:
    case QEvent::Hide:
    case QEvent::EnabledChange:
    case QEvent::UngrabMouse:
        if (m_held == button)
            FinTouche();
        break;
    default:
        break;
    }
    return false;
}

void Keypad::press(QPushButton *button)
{
    if (m_held)
        FinTouche();
    Transmitter *tx = m_tx;
    if (!tx)
        return;
    const QChar key = keyOf(int(m_keys.indexOf(button)));
    if (key.isNull())
        return;
    m_held = button;
    if (!m_waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
    if (JournalRecorder *journal = JournalRecorder::of(tx)) {
        JournalEntry e;
        e.origin = JournalEntry::Origin::Keypad;
        e.sequence = key;
        journal->prepare(e);
    }
    QString error;
    if (!tx->startHeld(keypadToneFile(key), &error)) {
        FinTouche();
        auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Pontavel"),
                                    error.isEmpty() ? QStringLiteral("La tonalité n'a pas pu être émise.") : error,
                                    QMessageBox::Ok, m_window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

void Keypad::FinTouche()
{
    if (!m_held && !m_waitCursor)
        return;
    m_held = nullptr;
    if (m_tx)
        m_tx->stopHeld();
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}
