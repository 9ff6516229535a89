#include "maplabel.h"

#include "core/convert.h"
#include "mapscene.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

MapLabel::MapLabel(int numero, int role, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_numero(numero), m_role(role)
{
    setFlag(ItemIgnoresTransformations);
    setZValue(5);
    // The countdown follows the labels only at the next re-layout.
    if (role != Countdown)
        setFlags(flags() | ItemIsMovable | ItemSendsGeometryChanges);
}

QVariant MapLabel::itemChange(GraphicsItemChange change, const QVariant &value)
{
    auto *map = qobject_cast<MapScene *>(scene());
    if (map && change == ItemPositionChange && m_dragging)
        return map->dragPosition(value.toPointF());
    if (map && change == ItemPositionHasChanged)
        map->labelMoved(this);
    return QGraphicsItem::itemChange(change, value);
}

void MapLabel::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_role != Countdown && MapScene::isDrag(event->button(), event->modifiers()))
        QGraphicsItem::mousePressEvent(event);
    else
        event->ignore();
}

void MapLabel::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (!MapScene::isDrag(event->buttons(), event->modifiers()))
        return;
    m_dragging = true;
    QGraphicsItem::mouseMoveEvent(event);
    m_dragging = false;
}

void MapLabel::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseReleaseEvent(event);
    auto *map = qobject_cast<MapScene *>(scene());
    if (map && MapScene::isDrag(event->button(), event->modifiers()))
        emit map->labelsDropped(m_numero, map->storedPosition(pos()));
}

QFont MapLabel::labelFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(7.5);
    f.setBold(true);
    return f;
}

void MapLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    prepareGeometryChange();
    m_text = text;
    // Only the start of a very long stored text is shown: measuring and
    // drawing megabytes of it would freeze the map.
    m_shown = text.size() > MaxShownChars ? text.left(MaxShownChars) + QChar(0x2026) : text;
    update();
}

void MapLabel::setColor(const QColor &c)
{
    m_color = c;
    update();
}

void MapLabel::setBackColor(const QColor &c)
{
    m_back = c;
    update();
}

void MapLabel::setFixedPixelWidth(qreal w)
{
    prepareGeometryChange();
    m_fixedWidth = w;
}

void MapLabel::setOffset(const QPointF &pixels)
{
    prepareGeometryChange();
    m_offset = pixels;
}

qreal MapLabel::pixelWidth() const
{
    const qreal stored = m_fixedWidth >= 0 ? m_fixedWidth : LargeurTexte(m_shown) / TwipsPerPixel;
    const qreal needed = QFontMetricsF(labelFont()).horizontalAdvance(m_shown) + 2;
    return std::max(stored, needed);
}

QRectF MapLabel::boundingRect() const
{
    // 225 twips high
    return QRectF(m_offset, QSizeF(pixelWidth(), 225 / TwipsPerPixel));
}

void MapLabel::paint(QPainter *p, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF r = boundingRect();
    if (m_back.isValid())
        p->fillRect(r, m_back);
    p->setFont(labelFont());
    p->setPen(m_color);
    p->drawText(r.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_shown);
}
