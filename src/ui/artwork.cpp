#include "artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace Artwork {

QPixmap repeaterIcon(bool active, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QColor body = active ? QColor(200, 30, 30) : QColor(70, 70, 80);
    const QColor fill = active ? QColor(255, 215, 60) : QColor(225, 225, 230);
    // rounded tile
    p.setPen(QPen(body, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    // mast
    QPainterPath mast;
    mast.moveTo(s * 0.5, s * 0.28);
    mast.lineTo(s * 0.30, s * 0.88);
    mast.moveTo(s * 0.5, s * 0.28);
    mast.lineTo(s * 0.70, s * 0.88);
    mast.moveTo(s * 0.38, s * 0.62);
    mast.lineTo(s * 0.62, s * 0.62);
    p.setPen(QPen(body, std::max<qreal>(1.2, s / 11.0), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mast);
    // waves: drawn only when on the air
    p.setBrush(body);
    p.drawEllipse(QPointF(s * 0.5, s * 0.26), s * 0.07, s * 0.07);
    if (active) {
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.22, s * 0.06, s * 0.56, s * 0.42), 30 * 16, 120 * 16);
    }
    return pm;
}

QPixmap logo(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(40, 90, 170));
    g.setColorAt(1, QColor(20, 40, 90));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    // two towers joined by a link
    p.setPen(QPen(QColor(255, 215, 60), s / 24.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.27, s * 0.40), QPointF(s * 0.73, s * 0.40));
    p.setPen(QPen(Qt::white, s / 20.0, Qt::SolidLine, Qt::RoundCap));
    for (qreal x : {0.27, 0.73}) {
        p.drawLine(QPointF(s * x, s * 0.36), QPointF(s * (x - 0.10), s * 0.80));
        p.drawLine(QPointF(s * x, s * 0.36), QPointF(s * (x + 0.10), s * 0.80));
        p.drawLine(QPointF(s * (x - 0.06), s * 0.62), QPointF(s * (x + 0.06), s * 0.62));
    }
    p.setPen(QPen(QColor(255, 215, 60), s / 30.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(s * 0.36, s * 0.14, s * 0.28, s * 0.22), 20 * 16, 140 * 16);
    return pm;
}

QIcon windowIcon()
{
    QIcon icon;
    for (int s : {16, 32, 48, 64, 128})
        icon.addPixmap(logo(s));
    return icon;
}

} // namespace Artwork
