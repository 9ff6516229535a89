#pragma once

#include <QGraphicsPixmapItem>

// One of the two icons of a repeater (active or idle); both lie on one place and
// the one in front shows the repeater's state. Its size does not follow the zoom.
// Shift + left drag moves it; the other icon and the lines follow.
class RepeaterIcon : public QGraphicsPixmapItem
{
public:
    RepeaterIcon(int numero, bool activeIcon, QGraphicsItem *parent = nullptr);
    int numero() const { return m_numero; }
    bool isActiveIcon() const { return m_activeIcon; }

    static constexpr double SizeTwips = 255;

    enum { Type = UserType + 1 };
    int type() const override { return Type; }

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    bool m_dragging = false;
    int m_numero;
    bool m_activeIcon;
};
