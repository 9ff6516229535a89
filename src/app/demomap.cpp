#include "demomap.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace DemoMap {

namespace {

// ---------------------------------------------------------------- terrain

struct Hill
{
    double x, y, height, spread;
};

// Summits of the region, pixels and metres.
const Hill Hills[] = {
    {1000, 220, 720, 170},  // Mont Aurigne
    {1250, 420, 560, 140},  // Pic de Brénac
    {1180, 110, 380, 120},
    {690, 250, 330, 110},   // Crête de Vauderon
    {1260, 740, 470, 130},  // Montagrel
    {545, 600, 250, 85},    // Roc d'Ormelle
    {880, 580, 200, 90},
    {760, 720, 170, 70},
};

double hash(int x, int y, int seed)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + quint32(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / double(0xffffff);
}

double smooth(double t)
{
    return t * t * (3 - 2 * t);
}

double valueNoise(double x, double y, int seed)
{
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const double fx = smooth(x - ix), fy = smooth(y - iy);
    const double a = hash(ix, iy, seed), b = hash(ix + 1, iy, seed);
    const double c = hash(ix, iy + 1, seed), d = hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

// Fractal noise in [-1, 1], `scale` pixels for the broadest detail.
double fbm(double x, double y, double scale, int seed, int octaves = 5)
{
    double sum = 0, amp = 1, norm = 0, f = 1 / scale;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * (valueNoise(x * f, y * f, seed + o * 17) * 2 - 1);
        norm += amp;
        amp *= 0.5;
        f *= 2;
    }
    return sum / norm;
}

// The west coast runs north-south and bends east into a gulf at the bottom.
double coastX(double y)
{
    const double bend = y > 480 ? (y - 480) * (y - 480) / 190.0 : 0;
    return 265 + 70 * std::sin(y / 165.0) + bend;
}

QColor mix(const QColor &a, const QColor &b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Hypsometric tints, soft so that icons and labels stay readable on top.
QColor landTint(double h)
{
    struct Stop { double h; QColor c; };
    static const Stop stops[] = {
        {0, QColor(206, 226, 182)},   {120, QColor(220, 232, 186)}, {300, QColor(236, 232, 194)},
        {500, QColor(232, 218, 186)}, {700, QColor(220, 202, 174)}, {900, QColor(232, 226, 218)},
    };
    if (h <= stops[0].h)
        return stops[0].c;
    for (size_t i = 1; i < std::size(stops); ++i)
        if (h < stops[i].h)
            return mix(stops[i - 1].c, stops[i].c, (h - stops[i - 1].h) / (stops[i].h - stops[i - 1].h));
    return std::rbegin(stops)->c;
}

QVector<float> heightField()
{
    QVector<float> h(Width * Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            h[y * Width + x] = float(heightAt(x, y));
    return h;
}

QImage terrain(const QVector<float> &h)
{
    auto at = [&](int x, int y) {
        return double(h[std::clamp(y, 0, Height - 1) * Width + std::clamp(x, 0, Width - 1)]);
    };
    const QColor seaShallow(196, 224, 240), seaDeep(164, 202, 230), coastLine(112, 156, 196);
    // Light from the north-west, as map readers expect.
    const double lx = -0.55, ly = -0.55, lz = 0.63;

    QImage img(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            const double v = at(x, y);
            QColor c;
            if (v < 0) {
                const bool coast = at(x + 1, y) >= 0 || at(x - 1, y) >= 0 || at(x, y + 1) >= 0 || at(x, y - 1) >= 0;
                c = coast ? coastLine : mix(seaShallow, seaDeep, -v / 160.0);
                // One faint depth line offshore.
                if (!coast && (at(x + 1, y) < -45) != (v < -45))
                    c = mix(c, coastLine, 0.35);
            } else {
                c = landTint(v);
                // Woods on the middle slopes.
                const double wood = fbm(x, y, 60, 91, 4);
                if (v > 40 && v < 650 && wood > 0.22)
                    c = mix(c, QColor(176, 206, 156), std::min(1.0, (wood - 0.22) * 6) * 0.8);
                const double dx = (at(x + 1, y) - at(x - 1, y)) / 2, dy = (at(x, y + 1) - at(x, y - 1)) / 2;
                const double nx = -dx * 0.09, ny = -dy * 0.09, nz = 1;
                const double shade = (nx * lx + ny * ly + nz * lz) / std::sqrt(nx * nx + ny * ny + nz * nz);
                const double k = std::clamp(0.62 + 0.55 * (shade - 0.25), 0.72, 1.12);
                c = QColor::fromRgbF(float(std::min(1.0, c.redF() * k)), float(std::min(1.0, c.greenF() * k)),
                                     float(std::min(1.0, c.blueF() * k)));
                // Contours every 100 m, a little darker.
                const int band = int(v / 100);
                if (band != int(at(x + 1, y) / 100) || band != int(at(x, y + 1) / 100))
                    c = c.darker(112);
            }
            line[x] = c.rgb();
        }
    }
    return img;
}

// ---------------------------------------------------------------- vectors

// Smooth curve through the points (Catmull-Rom as cubic Béziers).
QPainterPath smoothPath(const QPolygonF &pts)
{
    QPainterPath path;
    if (pts.isEmpty())
        return path;
    path.moveTo(pts.first());
    for (int i = 0; i + 1 < pts.size(); ++i) {
        const QPointF p0 = pts[std::max(0, i - 1)], p1 = pts[i], p2 = pts[i + 1];
        const QPointF p3 = pts[std::min(int(pts.size()) - 1, i + 2)];
        path.cubicTo(p1 + (p2 - p0) / 6, p2 - (p3 - p1) / 6, p2);
    }
    return path;
}

// Waypoints with a little lateral wander in between, so lines look surveyed.
QPolygonF wander(const QPolygonF &pts, double amount, int seed)
{
    QPolygonF out;
    for (int i = 0; i + 1 < pts.size(); ++i) {
        const QPointF a = pts[i], b = pts[i + 1];
        const QPointF d = b - a;
        const double len = std::hypot(d.x(), d.y());
        const QPointF n(-d.y() / len, d.x() / len);
        const int steps = std::max(1, int(len / 45));
        for (int s = 0; s < steps; ++s) {
            const double t = double(s) / steps;
            const double off = s == 0 ? 0 : amount * (hash(i, s, seed) * 2 - 1);
            out << a + d * t + n * off;
        }
    }
    out << pts.last();
    return out;
}

struct River
{
    QString name;
    QPolygonF course;   // from the source to the sea
    QPointF labelAt;
    double labelAngle;
};

const QVector<River> &rivers()
{
    static const QVector<River> r = {
        {QStringLiteral("l'Orme"),
         {{985, 330}, {900, 372}, {800, 402}, {700, 418}, {610, 440}, {520, 452}, {430, 468}, {340, 476}, {240, 484}},
         {745, 400}, -8},
        {QStringLiteral("la Salve"),
         {{1190, 640}, {1110, 668}, {1030, 706}, {960, 752}, {880, 790}, {800, 818}, {700, 846}},
         {1040, 688}, -25},
        {QString(), {{1200, 520}, {1120, 500}, {1040, 470}, {960, 440}, {870, 410}, {800, 404}}, {}, 0},
        {QString(), {{680, 330}, {650, 380}, {640, 436}}, {}, 0},
        {QString(), {{540, 690}, {470, 700}, {400, 690}}, {}, 0},
    };
    return r;
}

struct Town
{
    QString name;
    QPointF at;
    int rank;  // 0 city, 1 town, 2 village
};

const QVector<Town> &towns()
{
    static const QVector<Town> t = {
        {QStringLiteral("Port-Salvène"), {372, 352}, 0},
        {QStringLiteral("Vauderon"), {600, 446}, 0},
        {QStringLiteral("Fontbrune"), {940, 520}, 1},
        {QStringLiteral("Brénac"), {1150, 352}, 1},
        {QStringLiteral("Montagrel"), {1120, 812}, 1},
        {QStringLiteral("Sainte-Ormelle"), {420, 628}, 2},
        {QStringLiteral("Morvel-Plage"), {620, 752}, 2},
        {QStringLiteral("Lirac-les-Bains"), {1300, 190}, 2},
        {QStringLiteral("Saint-Aubrel"), {820, 168}, 2},
        {QStringLiteral("Les Crestes"), {1000, 92}, 2},
        {QStringLiteral("Castelvieil"), {1330, 560}, 2},
    };
    return t;
}

QPointF town(const QString &name)
{
    for (const Town &t : towns())
        if (t.name == name)
            return t.at;
    return {};
}

struct Road
{
    QStringList via;       // towns, or "x,y" waypoints
    int kind;              // 0 main road, 1 secondary road
};

const QVector<Road> &roads()
{
    static const QVector<Road> r = {
        {{"Port-Salvène", "470,410", "Vauderon", "760,500", "Fontbrune", "1050,440", "Brénac", "Lirac-les-Bains"}, 0},
        {{"Port-Salvène", "395,520", "Sainte-Ormelle", "520,700", "Morvel-Plage", "800,780", "950,820",
          "Montagrel"}, 0},
        {{"Fontbrune", "1000,640", "1060,740", "Montagrel"}, 0},
        {{"Vauderon", "700,300", "Saint-Aubrel", "910,120", "Les Crestes", "1160,150", "Lirac-les-Bains"}, 1},
        {{"Brénac", "1260,460", "Castelvieil", "1280,680", "Montagrel"}, 1},
        {{"Vauderon", "520,540", "Sainte-Ormelle"}, 1},
        {{"Fontbrune", "860,640", "760,690", "Morvel-Plage"}, 1},
    };
    return r;
}

QPolygonF roadPoints(const Road &road)
{
    QPolygonF pts;
    for (const QString &v : road.via) {
        const QStringList xy = v.split(',');
        pts << (xy.size() == 2 ? QPointF(xy[0].toDouble(), xy[1].toDouble()) : town(v));
    }
    return pts;
}

// Text with a pale halo so it reads on any ground.
void haloText(QPainter &p, const QPointF &at, const QString &text, const QFont &font, const QColor &ink,
              double angle = 0, double halo = 3, Qt::Alignment align = Qt::AlignLeft)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    double dx = 0;
    if (align & Qt::AlignHCenter)
        dx = -box.width() / 2 - box.left();
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.translate(dx, 0);
    p.setPen(QPen(QColor(255, 255, 250, 215), halo, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(path);
    p.restore();
}

QFont font(const QString &family, double px, bool bold = false, bool italic = false, double spacing = 0)
{
    QFont f(family);
    f.setPixelSize(int(px));
    f.setBold(bold);
    f.setItalic(italic);
    if (spacing)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

void drawRivers(QPainter &p)
{
    const QColor water(92, 146, 200);
    for (const River &r : rivers()) {
        const QPolygonF course = wander(r.course, 11, int(r.course.first().x()));
        // Wider downstream: draw the course in three stretches.
        const int n = int(course.size());
        for (int part = 0; part < 3; ++part) {
            const int a = part * (n - 1) / 3, b = (part + 1) * (n - 1) / 3;
            if (b <= a)
                continue;
            p.setPen(QPen(water, 1.2 + part * 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(smoothPath(course.mid(a, b - a + 1)));
        }
    }
    // A reservoir above Fontbrune.
    QPainterPath lake;
    lake.addEllipse(QPointF(1012, 585), 26, 12);
    p.setPen(QPen(water, 1));
    p.setBrush(QColor(176, 212, 238));
    p.drawPath(lake);
}

void drawRoads(QPainter &p)
{
    for (int pass = 0; pass < 2; ++pass) {       // casings first, then fills
        for (int kind = 1; kind >= 0; --kind) {  // main roads over secondary ones
            for (const Road &r : roads()) {
                if (r.kind != kind)
                    continue;
                const QPainterPath path = smoothPath(wander(roadPoints(r), 5, int(r.via.size() * 31 + kind)));
                const double width = kind == 0 ? 4.2 : 2.6;
                const QColor fill = kind == 0 ? QColor(236, 150, 92) : QColor(252, 238, 170);
                const QColor casing = kind == 0 ? QColor(150, 84, 50) : QColor(150, 140, 110);
                p.setBrush(Qt::NoBrush);
                p.setPen(pass == 0 ? QPen(casing, width + 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                                   : QPen(fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPath(path);
            }
        }
    }
}

void drawTowns(QPainter &p)
{
    for (const Town &t : towns()) {
        const double r = t.rank == 0 ? 6.5 : t.rank == 1 ? 5 : 3.2;
        p.setPen(QPen(QColor(60, 50, 50), t.rank == 2 ? 1.0 : 1.4));
        p.setBrush(t.rank == 0 ? QColor(230, 90, 80) : t.rank == 1 ? QColor(255, 255, 255) : QColor(70, 60, 60));
        p.drawEllipse(t.at, r, r);
        const QFont f = t.rank == 0   ? font("DejaVu Serif", 17, true)
                        : t.rank == 1 ? font("DejaVu Serif", 14, true)
                                      : font("DejaVu Serif", 12);
        // Names that would run off the map's edge go to the left of their dot.
        const double w = QFontMetricsF(f).horizontalAdvance(t.name);
        const double x = t.at.x() + r + 4 + w > Width - 10 ? -r - 4 - w : r + 4;
        haloText(p, t.at + QPointF(x, -r - 2), t.name, f, QColor(50, 40, 40));
    }
}

void drawNames(QPainter &p)
{
    const QColor sea(60, 110, 160), relief(130, 95, 60);
    haloText(p, {150, 560}, QStringLiteral("MER D'ARGENCE"), font("DejaVu Serif", 20, false, true, 6), sea, -72,
             0, Qt::AlignHCenter);
    haloText(p, {430, 850}, QStringLiteral("Golfe de Salvène"), font("DejaVu Serif", 17, false, true, 3), sea, -8,
             0, Qt::AlignHCenter);
    haloText(p, {1060, 288}, QStringLiteral("MASSIF DE L'AURIGNE"), font("DejaVu Serif", 14, false, true, 4),
             relief, -12, 3, Qt::AlignHCenter);
    haloText(p, {1200, 665}, QStringLiteral("Monts de Castelvieil"), font("DejaVu Serif", 12, false, true, 2),
             relief, -20, 3, Qt::AlignHCenter);
    for (const River &r : rivers())
        if (!r.name.isEmpty())
            haloText(p, r.labelAt, r.name, font("DejaVu Serif", 12, false, true, 1), QColor(52, 104, 160),
                     r.labelAngle, 2.5, Qt::AlignHCenter);
}

void drawCompass(QPainter &p, const QPointF &c, double r)
{
    p.save();
    p.translate(c);
    p.setPen(QPen(QColor(70, 80, 100), 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QPointF(0, 0), r * 0.72, r * 0.72);
    p.drawEllipse(QPointF(0, 0), r * 0.66, r * 0.66);
    for (int i = 0; i < 8; ++i) {
        const bool cardinal = i % 2 == 0;
        const double len = cardinal ? r : r * 0.58, w = cardinal ? r * 0.16 : r * 0.11;
        p.save();
        p.rotate(i * 45);
        // Each point is two half-blades, one dark, one light, as on old charts.
        const QPolygonF left{{0, -len}, {-w, -w}, {0, 0}}, right{{0, -len}, {w, -w}, {0, 0}};
        p.setBrush(QColor(60, 70, 95));
        p.drawPolygon(left);
        p.setBrush(QColor(250, 250, 245));
        p.drawPolygon(right);
        p.restore();
    }
    const QFont f = font("DejaVu Serif", r * 0.36, true);
    const QString letters[4] = {"N", "E", "S", "O"};
    for (int i = 0; i < 4; ++i) {
        const double a = i * std::numbers::pi / 2;
        const QPointF at(std::sin(a) * (r + 11), -std::cos(a) * (r + 11) + r * 0.13);
        haloText(p, at, letters[i], f, QColor(50, 60, 85), 0, 3, Qt::AlignHCenter);
    }
    p.restore();
}

// Scale of the map: 100 m a pixel.
constexpr double MetresPerPixel = 100;

void drawCartouche(QPainter &p, const QRectF &box)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(255, 255, 250, 225));
    p.drawRoundedRect(box, 4, 4);
    haloText(p, box.topLeft() + QPointF(12, 24), QStringLiteral("Région de Salvène"),
             font("DejaVu Serif", 17, true), QColor(40, 40, 50), 0, 0);
    haloText(p, box.topLeft() + QPointF(12, 42), QStringLiteral("Réseau ATV de démonstration — carte fictive"),
             font("DejaVu Sans", 11, false, true), QColor(70, 70, 80), 0, 0);

    // Scale bar: 0 - 5 - 10 - 20 km, alternating blocks.
    const double px = 1000 / MetresPerPixel;   // pixels per km
    const QPointF o = box.topLeft() + QPointF(16, 62);
    const double marks[] = {0, 5, 10, 20};
    for (int i = 0; i + 1 < 4; ++i) {
        const QRectF seg(o.x() + marks[i] * px, o.y(), (marks[i + 1] - marks[i]) * px, 6);
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(i % 2 ? QColor(255, 255, 255) : QColor(40, 40, 40));
        p.drawRect(seg);
    }
    const QFont f = font("DejaVu Sans", 10);
    for (double m : marks)
        haloText(p, QPointF(o.x() + m * px, o.y() + 20), QString::number(m), f, QColor(40, 40, 40), 0, 0,
                 Qt::AlignHCenter);
    haloText(p, QPointF(o.x() + 20 * px + 10, o.y() + 8), QStringLiteral("km"), f, QColor(40, 40, 40), 0, 0);
}

} // namespace

double heightAt(double x, double y)
{
    double h = 150 * std::tanh((x - coastX(y)) / 170.0);
    double hills = 0;
    for (const Hill &hill : Hills) {
        const double d2 = (x - hill.x) * (x - hill.x) + (y - hill.y) * (y - hill.y);
        hills += hill.height * std::exp(-d2 / (2 * hill.spread * hill.spread));
    }
    h += hills;
    // Rough ground, rougher in the hills.
    h += fbm(x, y, 150, 7) * (75 + 0.3 * hills);
    // Valleys cut by the rivers.
    for (const River &r : rivers()) {
        double best = 1e9;
        for (int i = 0; i + 1 < r.course.size(); ++i) {
            const QPointF a = r.course[i], b = r.course[i + 1];
            const QPointF ab = b - a, ap = QPointF(x, y) - a;
            const double t = std::clamp((ap.x() * ab.x() + ap.y() * ab.y()) / (ab.x() * ab.x() + ab.y() * ab.y()), 0.0, 1.0);
            const QPointF q = a + ab * t;
            best = std::min(best, std::hypot(x - q.x(), y - q.y()));
        }
        h -= 0.45 * std::max(0.0, h) * std::exp(-best * best / (2 * 30.0 * 30.0));
    }
    return h;
}

QImage draw()
{
    const QVector<float> field = heightField();
    QImage img = terrain(field);
    // Sea in front of everything that should stop at the shore.
    QImage sea = img.copy();

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawRivers(p);
    drawRoads(p);
    p.end();

    // Put the sea back over rivers and roads that ran past the shore.
    for (int y = 0; y < Height; ++y) {
        auto *dst = reinterpret_cast<QRgb *>(img.scanLine(y));
        const auto *src = reinterpret_cast<const QRgb *>(sea.constScanLine(y));
        for (int x = 0; x < Width; ++x)
            if (field[y * Width + x] < -1.5)
                dst[x] = src[x];
    }

    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawTowns(p);
    drawNames(p);
    drawCompass(p, QPointF(92, 110), 52);
    drawCartouche(p, QRectF(24, Height - 112, 290, 88));
    // Neat line round the map.
    p.setPen(QPen(QColor(70, 70, 70), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, Width - 2, Height - 2));
    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

} // namespace DemoMap
