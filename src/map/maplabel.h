#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsItem>

// The second label of a repeater stands this far below the first, and the
// countdown as far again (screen twips).
constexpr double LabelStepTwips = 210;

// A repeater label on the map (name, frequency or countdown). It keeps its size
// at every zoom; its anchor is a map position and `offset` moves the text
// below it in screen pixels (the second label stands 210 twips lower). Shift +
// left drag moves a name or frequency label and the other one with it.
class MapLabel : public QGraphicsItem
{
public:
    MapLabel(int numero, int role, QGraphicsItem *parent = nullptr);

    enum Role { Name = 0, Frequency = 1, Countdown = 2 };
    int numero() const { return m_numero; }
    int role() const { return m_role; }

    QString text() const { return m_text; }
    void setText(const QString &text);       // width follows the text
    QColor color() const { return m_color; }
    void setColor(const QColor &c);
    QColor backColor() const { return m_back; }
    void setBackColor(const QColor &c);      // invalid colour: transparent
    void setFixedPixelWidth(qreal w);        // countdown labels have a fixed size
    void setOffset(const QPointF &pixels);
    QPointF offset() const { return m_offset; }

    // Width in screen pixels: the stored width rule, widened so text never clips.
    qreal pixelWidth() const;
    static QFont labelFont();

    QRectF boundingRect() const override;
    void paint(QPainter *p, const QStyleOptionGraphicsItem *, QWidget *) override;

    enum { Type = UserType + 2 };
    int type() const override { return Type; }

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    bool m_dragging = false;
    int m_numero;
    int m_role;
    QString m_text;
    QString m_shown;  // m_text cut to MaxShownChars
    static constexpr qsizetype MaxShownChars = 80;
    QColor m_color = Qt::black;
    QColor m_back;
    qreal m_fixedWidth = -1;
    QPointF m_offset;
};
