#include "txindicator.h"

#include "audio/transmitter.h"

TxIndicator::TxIndicator(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("emission"));
    setToolTip(QStringLiteral("Émetteur"));
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("ÉMISSION 000 s")) + 12);
    m_tick.setInterval(250);
    connect(&m_tick, &QTimer::timeout, this, &TxIndicator::refresh);
    setKeyed(false);
}

void TxIndicator::follow(Transmitter *transmitter)
{
    if (!transmitter)
        return;
    connect(transmitter, &Transmitter::keyedChanged, this, &TxIndicator::setKeyed);
    setKeyed(transmitter->isKeyed());
}

void TxIndicator::setKeyed(bool keyed)
{
    if (keyed == isOn())
        return;
    if (keyed) {
        m_since.start();
        m_tick.start();
        setStyleSheet(QStringLiteral("QLabel { background: #c00000; color: white; font-weight: bold; }"));
    } else {
        m_since.invalidate();
        m_tick.stop();
        setStyleSheet(QString());
    }
    refresh();
}

void TxIndicator::refresh()
{
    setText(isOn() ? QStringLiteral("ÉMISSION %1 s").arg(m_since.elapsed() / 1000) : QStringLiteral("Repos"));
}
