#pragma once

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QVector>

class Transmitter;
class QWidget;

// The sixteen DTMF keys: the transmitter is keyed and the key's tone plays
// while a key is held. Releasing it, the mouse leaving it, or the window
// losing focus or being hidden stops the tone and releases the transmitter.
class Keypad : public QObject
{
    Q_OBJECT
public:
    // `keys` in the order 0 ... 9, A ... D, #, *; `window` is watched for focus loss.
    Keypad(Transmitter *transmitter, const QVector<QPushButton *> &keys, QWidget *window, QObject *parent = nullptr);
    ~Keypad() override;

    static QChar keyOf(int index);   // the DTMF key of button `index`, null outside 0..15
    bool isHeld() const { return m_held != nullptr; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void press(QPushButton *button);
    void FinTouche();

    Transmitter *m_tx;
    QVector<QPushButton *> m_keys;
    QPointer<QWidget> m_window;
    QPointer<QPushButton> m_held;
    bool m_waitCursor = false;
};
