#include "mapscene.h"

#include "core/convert.h"
#include "maplabel.h"
#include "repeatericon.h"

#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QImageReader>
#include <QPen>
#include <QSet>

namespace {
// Size of the map container when there is no picture, twips.
constexpr double DefaultMapWidth = 15030;
constexpr double DefaultMapHeight = 9900;
constexpr int MapAllocationLimitMB = 1024;
} // namespace

MapScene::MapScene(QObject *parent) : QGraphicsScene(parent)
{
    setItemIndexMethod(QGraphicsScene::NoIndex);
    m_background = addRect(QRectF(0, 0, DefaultMapWidth, DefaultMapHeight), Qt::NoPen,
                         QColor(0xee, 0xf0, 0xe6));
    m_background->setZValue(-1);
    QPen frame(QColor(0, 0, 0), 1, Qt::DashLine);
    frame.setCosmetic(true);
    cadre = addRect(QRectF(), frame, Qt::NoBrush);
    cadre->setZValue(20);
    cadre->hide();
    m_mapSize = QSizeF(DefaultMapWidth, DefaultMapHeight);
}

bool MapScene::loadMap(const QString &file, QString *error)
{
    if (Picture1) {
        delete Picture1;
        Picture1 = nullptr;
    }
    m_hasPicture = false;
    // Region maps are large pictures: Qt's default limit (128 MB) refuses an
    // 8000 x 6000 map.
    const int limit = QImageReader::allocationLimit();  // 0: no limit
    if (limit != 0 && limit < MapAllocationLimitMB)
        QImageReader::setAllocationLimit(MapAllocationLimitMB);
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QImage img = reader.read();
    if (img.isNull()) {
        if (error)
            *error = QFileInfo::exists(file)
                         ? QStringLiteral("Impossible de lire le plan %1 : %2").arg(file, reader.errorString())
                         : QStringLiteral("Le plan %1 est introuvable dans le dossier de travail.").arg(file);
        m_mapSize = QSizeF(DefaultMapWidth, DefaultMapHeight);
        m_background->setRect(QRectF(QPointF(0, 0), m_mapSize));
        m_background->show();
        return false;
    }
    Picture1 = addPixmap(QPixmap::fromImage(img));
    Picture1->setTransformationMode(Qt::SmoothTransformation);
    Picture1->setScale(TwipsPerPixel);
    Picture1->setZValue(0);
    m_mapSize = QSizeF(img.width() * TwipsPerPixel, img.height() * TwipsPerPixel);
    m_background->setRect(QRectF(QPointF(0, 0), m_mapSize));
    m_background->hide();
    m_hasPicture = true;
    return true;
}

void MapScene::clearRepeaters()
{
    for (auto *list : {&RelaiOk, &RelaiKo})
        for (RepeaterIcon *i : *list)
            delete i;
    for (auto *list : {&FreqE, &FreqR, &Temps})
        for (MapLabel *l : *list)
            delete l;
    RelaiOk.clear();
    RelaiKo.clear();
    FreqE.clear();
    FreqR.clear();
    Temps.clear();
}

void MapScene::setRepeaters(const QVector<Repeater> &repeaters, quint32 idleColour)
{
    clearRepeaters();
    m_repeaters = repeaters;
    const int n = int(repeaters.size());
    RelaiOk.resize(n + 1, nullptr);
    RelaiKo.resize(n + 1, nullptr);
    FreqE.resize(n + 1, nullptr);
    FreqR.resize(n + 1, nullptr);
    Temps.resize(n + 1, nullptr);
    for (const Repeater &r : repeaters) {
        const int i = r.numero;
        auto *ok = new RepeaterIcon(i, true);
        auto *ko = new RepeaterIcon(i, false);
        for (RepeaterIcon *icon : {ok, ko}) {
            icon->setToolTip(r.nom);
            icon->setPos(r.posGauche, r.posHaut);
            addItem(icon);
        }
        RelaiOk[i] = ok;
        RelaiKo[i] = ko;
        auto *e = new MapLabel(i, MapLabel::Name);
        auto *f = new MapLabel(i, MapLabel::Frequency);
        auto *t = new MapLabel(i, MapLabel::Countdown);
        f->setOffset(QPointF(0, LabelStepTwips / TwipsPerPixel));
        t->setOffset(QPointF(0, 2 * LabelStepTwips / TwipsPerPixel));
        t->setFixedPixelWidth(495 / TwipsPerPixel);
        t->setZValue(6);
        t->hide();
        for (MapLabel *l : {e, f, t}) {
            l->setPos(r.libellePosGau, r.libellePosHaut);
            addItem(l);
        }
        FreqE[i] = e;
        FreqR[i] = f;
        Temps[i] = t;
        restoreLabels(i, idleColour);
        setActive(i, false);
    }
    updateLineGeometry();
}

const Repeater *MapScene::repeater(int numero) const
{
    if (numero < 1 || numero > m_repeaters.size())
        return nullptr;
    return &m_repeaters[numero - 1];
}

void MapScene::setCoef(double coef)
{
    m_coef = coef;
    updateLineGeometry();
}

QPointF MapScene::repeaterPoint(int numero) const
{
    if (numero < 1 || numero >= RelaiOk.size() || !RelaiOk[numero])
        return QPointF(qQNaN(), qQNaN());
    // Left + Width / 2 in screen twips, rounded, back to map units.
    const QPointF pos = RelaiOk[numero]->pos();
    const double k = m_coef / 10.0;
    const double x = double(roundHalfEven(float(pos.x() * k) + RepeaterIcon::SizeTwips / 2));
    const double y = double(roundHalfEven(float(pos.y() * k) + RepeaterIcon::SizeTwips / 2));
    return QPointF(x / k, y / k);
}

void MapScene::setActive(int numero, bool active)
{
    if (numero < 1 || numero >= RelaiOk.size() || !RelaiOk[numero])
        return;
    RelaiOk[numero]->setZValue(active ? 3.5 : 3);
    RelaiKo[numero]->setZValue(active ? 3 : 3.5);
    RelaiOk[numero]->setVisible(true);
    RelaiKo[numero]->setVisible(true);
}

bool MapScene::isActive(int numero) const
{
    if (numero < 1 || numero >= RelaiOk.size() || !RelaiOk[numero])
        return false;
    return RelaiOk[numero]->zValue() > RelaiKo[numero]->zValue();
}

void MapScene::setLabels(int numero, const QString &first, const QString &second, quint32 colour)
{
    if (numero < 1 || numero >= FreqE.size() || !FreqE[numero])
        return;
    FreqE[numero]->setText(first);
    FreqR[numero]->setText(second);
    FreqE[numero]->setColor(colorFromBgr(colour));
    FreqR[numero]->setColor(colorFromBgr(colour));
}

void MapScene::restoreLabels(int numero, quint32 colour)
{
    if (const Repeater *r = repeater(numero))
        setLabels(numero, r->nom, r->freq, colour);
}

void MapScene::setCountdown(int numero, const QString &text, const QColor &back)
{
    if (numero < 1 || numero >= Temps.size() || !Temps[numero])
        return;
    MapLabel *t = Temps[numero];
    t->setText(text);
    if (back.isValid())
        t->setBackColor(back);
    t->setVisible(!text.isEmpty());
}

Qt::MouseButtons MapScene::heededButtons(Qt::MouseButtons buttons)
{
    return buttons & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton);
}

Qt::KeyboardModifiers MapScene::heededKeys(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

bool MapScene::isDrag(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    return heededButtons(buttons) == Qt::LeftButton && heededKeys(modifiers) == Qt::ShiftModifier;
}

QPointF MapScene::dragPosition(const QPointF &proposed) const
{
    const double k = m_coef / 10.0;
    const double back = 10.0 / m_coef;
    return QPointF(float(roundToInt(proposed.x() * k)) * back, float(roundToInt(proposed.y() * k)) * back);
}

QPointF MapScene::storedPosition(const QPointF &pos) const
{
    const double k = m_coef / 10.0;
    const double back = 10.0 / m_coef;
    return QPointF(float(pos.x() * k) * back, float(pos.y() * k) * back);
}

void MapScene::iconMoved(RepeaterIcon *icon)
{
    const int i = icon->numero();
    if (i < 1 || i >= RelaiOk.size() || (icon != RelaiOk[i] && icon != RelaiKo[i]))
        return;
    RepeaterIcon *twin = icon == RelaiOk[i] ? RelaiKo[i] : RelaiOk[i];
    if (twin->pos() != icon->pos())
        twin->setPos(icon->pos());  // whose own move re-lays the lines
    else
        updateLineGeometry();
}

void MapScene::labelMoved(MapLabel *label)
{
    const int i = label->numero();
    if (i < 1 || i >= FreqE.size() || (label != FreqE[i] && label != FreqR[i]))
        return;
    MapLabel *twin = label == FreqE[i] ? FreqR[i] : FreqE[i];
    if (twin->pos() != label->pos())
        twin->setPos(label->pos());
}

void MapScene::setLines(QVector<QGraphicsLineItem *> &lines, QVector<Routes::Segment> &store,
                        const QVector<Routes::Segment> &segments, quint32 colour, qreal width, qreal z)
{
    // A line drawn twice looks the same. Past what 31 repeaters can have as
    // distinct segments, repeats are dropped, so a string of any length gives
    // at most 31 x 31 items instead of freezing the map.
    constexpr qsizetype DistinctSegments = 31 * 31;
    store = segments;
    if (segments.size() > DistinctSegments) {
        store.clear();
        QSet<QPair<int, int>> seen;
        for (const Routes::Segment &g : segments)
            if (!seen.contains({g.from, g.to})) {
                seen.insert({g.from, g.to});
                store.append(g);
            }
    }
    while (lines.size() < store.size()) {
        auto *l = addLine(QLineF());
        l->setZValue(z);
        l->hide();
        lines.append(l);
    }
    QPen pen(colorFromBgr(colour), width);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::RoundCap);
    for (QGraphicsLineItem *l : lines)
        l->setPen(pen);
    updateLineGeometry();
}

void MapScene::drawBeams(const QVector<Routes::Segment> &segments, quint32 colour)
{
    setLines(Ligne, m_beamSegments, segments, colour, 2, 1);
}

void MapScene::drawRoutes(const QVector<Routes::Segment> &segments, quint32 colour)
{
    setLines(LigneAct, m_routeSegments, segments, colour, 3, 2);
}

void MapScene::updateLineGeometry()
{
    auto place = [this](QVector<QGraphicsLineItem *> &lines, const QVector<Routes::Segment> &segs) {
        for (qsizetype n = 0; n < lines.size(); ++n) {
            if (n >= segs.size()) {
                lines[n]->hide();
                continue;
            }
            const QPointF p = repeaterPoint(segs[n].from);
            const QPointF q = repeaterPoint(segs[n].to);
            // A key that matched no repeater at all has no place to draw to.
            if (qIsNaN(p.x()) || qIsNaN(q.x())) {
                lines[n]->hide();
                continue;
            }
            lines[n]->setLine(QLineF(p, q));
            lines[n]->show();
        }
    };
    place(Ligne, m_beamSegments);
    place(LigneAct, m_routeSegments);
}

void MapScene::placeRepeater(int numero, const QPointF &icon, const QPointF &labels)
{
    if (numero < 1 || numero >= RelaiOk.size() || !RelaiOk[numero])
        return;
    // Each twin follows.
    RelaiOk[numero]->setPos(icon);
    FreqE[numero]->setPos(labels);
    Temps[numero]->setPos(labels);
}

void MapScene::setLabelColour(int role, quint32 colour)
{
    for (MapLabel *l : role == MapLabel::Frequency ? FreqR : FreqE)
        if (l)
            l->setColor(colorFromBgr(colour));
}

bool MapScene::isMapItem(const QGraphicsItem *item) const
{
    return item && (item == Picture1 || item == m_background);
}

void MapScene::setMapToolTip(const QString &text)
{
    if (Picture1)
        Picture1->setToolTip(text);
    m_background->setToolTip(text);
}

void MapScene::showZoomFrame(const QRectF &rect)
{
    cadre->setRect(rect);
    cadre->show();
}

void MapScene::hideZoomFrame()
{
    cadre->hide();
}
