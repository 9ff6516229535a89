#pragma once

#include "zoomcursors.h"
#include "zoomstate.h"

#include <QCursor>
#include <QObject>
#include <QPointF>
#include <QPointer>

class Configuration;
class MapRoutines;
class MapScene;
class MapView;
class RouteState;
class SharedState;
class Store;
class QWidget;
class QWheelEvent;

// The mouse and the zoom band on the map: zoom steps, magnifier and zoom
// frame modes, panning with Ctrl, the coordinate tooltip, dragging repeaters
// and their labels with Shift, and choosing a repeater by clicking its icon.
// Mouse events of the map view's viewport all come here; the item pressed
// keeps the following moves and the release, as a captured control would.
// A Shift + left drag on an icon or a label goes on to that item, which moves
// itself (and its twin) until the release.
class MapInteraction : public QObject
{
    Q_OBJECT
public:
    // `window` shows the map's pointers; "Zoom Tout" fits its width.
    MapInteraction(QWidget &window, MapView &view, MapScene &scene, MapRoutines &routines, const RouteState &routes,
                   Store &store, Configuration &config, SharedState &state);

    // Wires the map's mouse, and stores where icons and labels are dropped.
    void attach();
    // Escape on these buttons leaves the magnifier or the zoom frame mode.
    void heedEscape(QObject *magnifierButton, QObject *frameButton);
    // The view read from the settings row at start becomes the current and
    // the previous view.
    void loaded();

    // The operations of the six zoom buttons.
    void zoomIn();
    void zoomOut();
    void toggleMagnifier();
    void armFrame();
    void zoomPrevious();
    void zoomAll();
    // Escape on the magnifier's button or the zoom frame's.
    void escape(bool magnifierButton);
    // Both zoom modes off, pointer and status left as they are ("Efface").
    void disarm();

    void ReplacerRelais();
    void SauveVue();

    bool ModeLoupe() const { return m_modeLoupe; }
    bool ModeFenetre() const { return m_modeFenetre; }
    bool DeplacementCarte() const { return m_deplacementCarte; }
    const ZoomState &zoom() const { return m_zoom; }
    // The window's outer width, twips.
    double windowWidthTwips() const;
    // Text of the coordinate tooltip for a map point (twips at the current scale).
    static QString coordinateText(double x, double y);

    // Frames narrower than this (screen twips) are taken for a click.
    static constexpr double MinFrameTwips = 4 * 15;

signals:
    void statusChanged(const QString &text);
    // A plain click on a repeater's icon, and Shift + right click.
    void commandWindowAsked(int numero);
    void commandEditorAsked(int numero);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Target { None, Map, Icon, Label, Inert };
    struct Hit
    {
        Target target = Target::None;
        int index = 0;
    };

    Hit hitAt(const QPointF &viewportPos) const;
    QPointF mapTwips(const QPointF &viewportPos) const;  // screen twips from the map's corner

    void mapPress(Qt::MouseButton button, Qt::KeyboardModifiers mods, const QPointF &p);
    void mapMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, const QPointF &p);
    void mapRelease(Qt::MouseButton button, const QPointF &p);
    // True when the press starts a drag, which the item pressed carries out.
    bool iconPress(int index, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    bool labelPress(Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void wheel(QWheelEvent *e);

    void setSlot(ZoomCursors::Role role);
    void setPointer(bool custom);
    void applyView();      // resize: the view shows the current coefficient and place
    void takePosition();   // CarteX, CarteY from the map's place
    void changed();        // after a zoom step: state, view, re-layout, save

    QWidget &m_window;
    MapView &m_view;
    MapScene &m_scene;
    MapRoutines &m_routines;
    const RouteState &m_routes;
    Store &m_store;
    Configuration &m_config;
    SharedState &m_state;
    QPointer<QObject> m_magnifierButton;
    QPointer<QObject> m_frameButton;
    ZoomState m_zoom;
    bool m_modeLoupe = false;
    bool m_modeFenetre = false;
    bool m_deplacementCarte = false;
    bool m_frameStarted = false;
    // Press point of a pan or of a zoom frame, map twips.
    int SourisX = 0;
    int SourisY = 0;
    QCursor m_slot;
    bool m_custom = false;
    Hit m_press;  // the item that has the mouse until the release
    int m_wheelRest = 0;  // wheel turn not yet made into a zoom step
    static constexpr int WheelNotch = 120;
};
