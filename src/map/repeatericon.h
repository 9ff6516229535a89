#pragma once

#include <QGraphicsPixmapItem>

// One of the two icons of a repeater (active or idle); both lie on one place and
// the one in front shows the repeater's state. Its size does not follow the zoom.
class RepeaterIcon : public QGraphicsPixmapItem
{
public:
    RepeaterIcon(int numero, bool activeIcon, QGraphicsItem *parent = nullptr);
    int numero() const { return m_numero; }
    bool isActiveIcon() const { return m_activeIcon; }

    static constexpr double SizeTwips = 255;

    enum { Type = UserType + 1 };
    int type() const override { return Type; }

private:
    int m_numero;
    bool m_activeIcon;
};
