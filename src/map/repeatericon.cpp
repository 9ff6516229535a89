#include "repeatericon.h"

#include "ui/artwork.h"
#include "core/convert.h"
#include "mapscene.h"

#include <QGraphicsSceneMouseEvent>

RepeaterIcon::RepeaterIcon(int numero, bool activeIcon, QGraphicsItem *parent)
    : QGraphicsPixmapItem(Artwork::repeaterIcon(activeIcon, int(SizeTwips / TwipsPerPixel)), parent),
      m_numero(numero), m_activeIcon(activeIcon)
{
    setFlag(ItemIgnoresTransformations);
    setTransformationMode(Qt::SmoothTransformation);
    setShapeMode(BoundingRectShape);
    setAcceptHoverEvents(true);
    setZValue(3);
    setFlags(flags() | ItemIsMovable | ItemSendsGeometryChanges);
}

QVariant RepeaterIcon::itemChange(GraphicsItemChange change, const QVariant &value)
{
    auto *map = qobject_cast<MapScene *>(scene());
    if (map && change == ItemPositionChange && m_dragging)
        return map->dragPosition(value.toPointF());
    if (map && change == ItemPositionHasChanged)
        map->iconMoved(this);
    return QGraphicsPixmapItem::itemChange(change, value);
}

void RepeaterIcon::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (MapScene::isDrag(event->button(), event->modifiers()))
        QGraphicsPixmapItem::mousePressEvent(event);
    else
        event->ignore();
}

void RepeaterIcon::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (!MapScene::isDrag(event->buttons(), event->modifiers()))
        return;
    m_dragging = true;
    QGraphicsPixmapItem::mouseMoveEvent(event);
    m_dragging = false;
}

void RepeaterIcon::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsPixmapItem::mouseReleaseEvent(event);
    auto *map = qobject_cast<MapScene *>(scene());
    if (map && MapScene::isDrag(event->button(), event->modifiers()))
        emit map->iconDropped(m_numero, map->storedPosition(pos()));
}
