#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

class Transmitter;

// Status bar panel that shows, in red, that the transmitter is keyed and for
// how many seconds, whatever keyed it; blank at rest.
class TxIndicator : public QLabel
{
    Q_OBJECT
public:
    explicit TxIndicator(QWidget *parent = nullptr);
    void follow(Transmitter *transmitter);
    bool isOn() const { return m_since.isValid(); }

private:
    void setKeyed(bool keyed);
    void refresh();

    QElapsedTimer m_since;
    QTimer m_tick;
};
