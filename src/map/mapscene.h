#pragma once

#include "core/repeater.h"
#include "core/routes.h"

#include <QGraphicsScene>
#include <QVector>

class MapLabel;
class RepeaterIcon;
class QGraphicsLineItem;
class QGraphicsPixmapItem;
class QGraphicsRectItem;

// The map: picture, repeater icons and labels, beam and route lines. Scene
// units are twips at zoom 10, so stored positions are scene positions; icons
// and labels keep their screen size at every zoom.
class MapScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit MapScene(QObject *parent = nullptr);

    // Loads the map picture. When it cannot be read the map is a plain
    // background of the default size and *error says why.
    bool loadMap(const QString &file, QString *error);
    bool hasMapPicture() const { return m_hasPicture; }
    double LargeurPlan() const { return m_mapSize.width(); }   // natural size, twips
    double HauteurPlan() const { return m_mapSize.height(); }

    // Places every repeater idle, with name and frequency in `idleColour`.
    void setRepeaters(const QVector<Repeater> &repeaters, quint32 idleColour);
    const QVector<Repeater> &repeaters() const { return m_repeaters; }
    int repeaterCount() const { return int(m_repeaters.size()); }
    const Repeater *repeater(int numero) const;

    // Zoom in tenths; line ends follow it since icons keep their screen size.
    void setCoef(double coef);

    // Centre of repeater `numero`'s icon in scene units, rounded to whole
    // screen twips; repeater 0 has no point.
    QPointF repeaterPoint(int numero) const;

    void setActive(int numero, bool active);  // which icon is in front
    bool isActive(int numero) const;
    void setLabels(int numero, const QString &first, const QString &second, quint32 colour);
    void restoreLabels(int numero, quint32 colour); // name and frequency
    void setCountdown(int numero, const QString &text, const QColor &back); // empty text hides

    // The mouse buttons and keys the map heeds; Meta or a keypad key changes nothing.
    static Qt::MouseButtons heededButtons(Qt::MouseButtons buttons);
    static Qt::KeyboardModifiers heededKeys(Qt::KeyboardModifiers modifiers);
    // Dragging: a left button with Shift alone (other buttons and keys off).
    static bool isDrag(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    // Where a dragged item lands: on whole screen twips, as the pointer does.
    QPointF dragPosition(const QPointF &proposed) const;
    // The position written to the store for an item at `pos`.
    QPointF storedPosition(const QPointF &pos) const;
    // An icon or a label moved: its twin follows, and the lines.
    void iconMoved(RepeaterIcon *icon);
    void labelMoved(MapLabel *label);

    void drawBeams(const QVector<Routes::Segment> &segments, quint32 colour);
    void drawRoutes(const QVector<Routes::Segment> &segments, quint32 colour);
    void updateLineGeometry();  // after an icon moved or the zoom changed

    // Places a repeater's icons, labels and countdown (scene units, as stored).
    void placeRepeater(int numero, const QPointF &icon, const QPointF &labels);
    // Every repeater's first (name) or second (frequency) label takes `colour`.
    void setLabelColour(int role, quint32 colour);

    // The map picture and the plain background under it.
    bool isMapItem(const QGraphicsItem *item) const;
    void setMapToolTip(const QString &text);

    // The dashed zoom frame, hidden at rest.
    void showZoomFrame(const QRectF &rect);
    void hideZoomFrame();
    const QGraphicsRectItem *zoomFrame() const { return cadre; }

    // The items of repeater `numero`, null for a number with no repeater.
    const RepeaterIcon *activeIcon(int numero) const { return item(RelaiOk, numero); }
    const RepeaterIcon *idleIcon(int numero) const { return item(RelaiKo, numero); }
    const MapLabel *nameLabel(int numero) const { return item(FreqE, numero); }
    const MapLabel *frequencyLabel(int numero) const { return item(FreqR, numero); }
    const MapLabel *countdownLabel(int numero) const { return item(Temps, numero); }
    // The beam and the route lines; those with no segment to draw are hidden.
    QList<const QGraphicsLineItem *> beamLines() const { return {Ligne.cbegin(), Ligne.cend()}; }
    QList<const QGraphicsLineItem *> routeLines() const { return {LigneAct.cbegin(), LigneAct.cend()}; }

signals:
    // A Shift + left drag ended on a repeater's icons or its labels, which
    // belong at `stored` (scene units).
    void iconDropped(int numero, const QPointF &stored);
    void labelsDropped(int numero, const QPointF &stored);

private:
    template<typename T>
    static const T *item(const QVector<T *> &items, int numero)
    {
        return numero >= 1 && numero < items.size() ? items[numero] : nullptr;
    }
    void clearRepeaters();
    void setLines(QVector<QGraphicsLineItem *> &lines, QVector<Routes::Segment> &store,
                  const QVector<Routes::Segment> &segments, quint32 colour, qreal width, qreal z);

    // The map's controls, indexed by repeater number (entry 0 belongs to no
    // repeater and is null).
    QVector<RepeaterIcon *> RelaiOk;
    QVector<RepeaterIcon *> RelaiKo;
    QVector<MapLabel *> FreqE;
    QVector<MapLabel *> FreqR;
    QVector<MapLabel *> Temps;
    QVector<QGraphicsLineItem *> Ligne;      // beams
    QVector<QGraphicsLineItem *> LigneAct;   // routes

    QGraphicsPixmapItem *Picture1 = nullptr;
    QGraphicsRectItem *m_background = nullptr;
    QGraphicsRectItem *cadre = nullptr;
    QVector<Repeater> m_repeaters;
    QVector<Routes::Segment> m_beamSegments;
    QVector<Routes::Segment> m_routeSegments;
    QSizeF m_mapSize;
    double m_coef = 10;
    bool m_hasPicture = false;
};
