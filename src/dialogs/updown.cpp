#include "updown.h"

#include <QToolButton>
#include <QVBoxLayout>

UpDown::UpDown(QWidget *parent) : QWidget(parent)
{
    auto *col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    for (QToolButton **b : {&up, &down}) {
        *b = new QToolButton(this);
        (*b)->setArrowType(b == &up ? Qt::UpArrow : Qt::DownArrow);
        (*b)->setFixedSize(16, 11);
        (*b)->setAutoRepeat(true);
        col->addWidget(*b);
    }
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    connect(up, &QToolButton::clicked, this, [this] { setValue(m_value + 1); });
    connect(down, &QToolButton::clicked, this, [this] { setValue(m_value - 1); });
}

void UpDown::setRange(int min, int max)
{
    m_min = min;
    m_max = std::max(min, max);
    setValue(m_value);
}

void UpDown::setValue(int v)
{
    v = std::clamp(v, m_min, m_max);
    if (v == m_value)
        return;
    m_value = v;
    emit valueChanged(v);
}
