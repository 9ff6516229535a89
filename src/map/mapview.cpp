#include "mapview.h"

#include "core/convert.h"
#include "mapscene.h"

MapView::MapView(MapScene *scene, QWidget *parent) : QGraphicsView(scene, parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFrameShape(QFrame::NoFrame);
    setRenderHint(QPainter::Antialiasing);
    setRenderHint(QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setBackgroundBrush(QColor(0x80, 0x80, 0x80));
    updateSceneRect();
}

double MapView::pixelScale() const
{
    return m_coef / 10.0 / TwipsPerPixel;
}

void MapView::applyView(double coef, int left, int top)
{
    m_coef = coef;
    m_x = left;
    m_y = top;
    if (auto *s = qobject_cast<MapScene *>(scene()))
        s->setCoef(coef);
    updateSceneRect();
}

QPointF MapView::mapToViewport(const QPointF &p) const
{
    return QPointF(m_x / TwipsPerPixel + p.x() * pixelScale(), m_y / TwipsPerPixel + p.y() * pixelScale());
}

QPointF MapView::viewportToMap(const QPointF &v) const
{
    return QPointF((v.x() - m_x / TwipsPerPixel) / pixelScale(), (v.y() - m_y / TwipsPerPixel) / pixelScale());
}

void MapView::updateSceneRect()
{
    const double s = pixelScale();
    setTransform(QTransform::fromScale(s, s));
    const QSize vp = viewport()->size();
    // The scene rectangle is exactly the viewport, so nothing scrolls and the
    // map's origin lands at (CarteX, CarteY).
    setSceneRect(QRectF(-m_x / TwipsPerPixel / s, -m_y / TwipsPerPixel / s, vp.width() / s, vp.height() / s));
}

void MapView::resizeEvent(QResizeEvent *e)
{
    QGraphicsView::resizeEvent(e);
    updateSceneRect();
}
