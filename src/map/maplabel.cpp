#include "maplabel.h"

#include "core/convert.h"

#include <QFontMetricsF>
#include <QPainter>

MapLabel::MapLabel(int numero, int role, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_numero(numero), m_role(role)
{
    setFlag(ItemIgnoresTransformations);
    setZValue(5);
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
