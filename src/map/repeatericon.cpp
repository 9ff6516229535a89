#include "repeatericon.h"

#include "core/artwork.h"
#include "core/convert.h"

RepeaterIcon::RepeaterIcon(int numero, bool activeIcon, QGraphicsItem *parent)
    : QGraphicsPixmapItem(Artwork::repeaterIcon(activeIcon, int(SizeTwips / TwipsPerPixel)), parent),
      m_numero(numero), m_activeIcon(activeIcon)
{
    setFlag(ItemIgnoresTransformations);
    setTransformationMode(Qt::SmoothTransformation);
    setShapeMode(BoundingRectShape);
    setAcceptHoverEvents(true);
    setZValue(3);
}
