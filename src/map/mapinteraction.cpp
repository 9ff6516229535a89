#include "mapinteraction.h"

#include "core/convert.h"
#include "core/routestate.h"
#include "core/sharedstate.h"
#include "maplabel.h"
#include "maproutines.h"
#include "mapscene.h"
#include "mapview.h"
#include "repeatericon.h"
#include "store/configuration.h"
#include "store/store.h"

#include <QGraphicsLineItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cstdlib>

namespace {
const QString StatusIdle = QStringLiteral("Etat :");
const QString StatusMagnifier = QStringLiteral("Appuyer sur ECHAP pour annuler le Zoom");
const QString StatusFrame = QStringLiteral("Appuyer sur ECHAP pour annuler le Zoom ou définissez la fenêtre de Zoom ");

// Positions may exceed 16 bits once zoomed in far.
int whole(double v)
{
    return roundToInt(v);
}

// A number as the tooltip writes it: a blank in place of the sign when not negative.
QString signedText(double v)
{
    const QString n = QString::number(std::fabs(v), 'g', 7);
    return (v < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + n;
}
} // namespace

MapInteraction::MapInteraction(QWidget &window, MapView &view, MapScene &scene, MapRoutines &routines,
                               const RouteState &routes, Store &store, Configuration &config, SharedState &state)
    : QObject(&window), m_window(window), m_view(view), m_scene(scene), m_routines(routines), m_routes(routes),
      m_store(store), m_config(config), m_state(state)
{
    setObjectName(QStringLiteral("mapInteraction"));
    m_slot = ZoomCursors::cursor(ZoomCursors::Role::Grab);
}

void MapInteraction::attach()
{
    m_view.viewport()->installEventFilter(this);
    // Icons and labels move themselves; where they were dropped is stored here.
    connect(&m_scene, &MapScene::iconDropped, this, [this](int numero, const QPointF &p) {
        m_store.writeIconPosition(numero, p.x(), p.y());
    });
    connect(&m_scene, &MapScene::labelsDropped, this, [this](int numero, const QPointF &p) {
        m_store.writeLabelPosition(numero, p.x(), p.y());
    });
    m_view.viewport()->setMouseTracking(true);
}

void MapInteraction::heedEscape(QObject *magnifierButton, QObject *frameButton)
{
    m_magnifierButton = magnifierButton;
    m_frameButton = frameButton;
    magnifierButton->installEventFilter(this);
    frameButton->installEventFilter(this);
}

void MapInteraction::loaded()
{
    m_zoom.load(m_state.CoefZoom, m_state.CarteX, m_state.CarteY);
    m_state.CoefZoom = m_zoom.coef();
    applyView();
}

double MapInteraction::windowWidthTwips() const
{
    return m_window.frameGeometry().width() * TwipsPerPixel;
}

QString MapInteraction::coordinateText(double x, double y)
{
    return signedText(x) + QLatin1Char(' ') + signedText(y);
}

// ---------------------------------------------------------------- view

void MapInteraction::applyView()
{
    m_state.CoefZoom = m_zoom.coef();
    m_view.applyView(m_zoom.coef(), m_zoom.left(), m_zoom.top());
}

void MapInteraction::takePosition()
{
    m_state.CarteX = m_zoom.left();
    m_state.CarteY = m_zoom.top();
}

void MapInteraction::changed()
{
    takePosition();
    applyView();
    ReplacerRelais();
}

void MapInteraction::ReplacerRelais()
{
    // Stored places, so an icon dropped without Shift goes back to its own.
    const QVector<Repeater> rows = m_store.repeaters();
    for (int k = 1; k <= rows.size(); ++k) {
        const Repeater &r = rows[k - 1];
        m_scene.placeRepeater(k, QPointF(r.posGauche, r.posHaut), QPointF(r.libellePosGau, r.libellePosHaut));
    }
    SauveVue();
    m_routines.TraceFaisceaux();
    m_routines.TraceChemins(m_routes.CheminsActifs);
}

void MapInteraction::SauveVue()
{
    m_config.applyView(m_state.CoefZoom, m_state.CarteX, m_state.CarteY);
}

// ---------------------------------------------------------------- buttons

void MapInteraction::zoomIn()
{
    m_modeLoupe = false;
    m_modeFenetre = false;
    m_zoom.zoomIn();
    applyView();
    ReplacerRelais();
}

void MapInteraction::zoomOut()
{
    m_modeLoupe = false;
    m_modeFenetre = false;
    if (m_zoom.zoomOut()) {
        applyView();
        ReplacerRelais();
    }
}

void MapInteraction::zoomPrevious()
{
    m_zoom.previous();
    changed();
}

void MapInteraction::zoomAll()
{
    m_zoom.zoomAll(windowWidthTwips(), m_scene.LargeurPlan());
    changed();
}

void MapInteraction::toggleMagnifier()
{
    m_modeLoupe = !m_modeLoupe;
    m_modeFenetre = false;
    m_scene.hideZoomFrame();
    m_frameStarted = false;
    if (m_modeLoupe) {
        setSlot(ZoomCursors::Role::Magnify);
        setPointer(true);
        emit statusChanged(StatusMagnifier);
    } else {
        setSlot(ZoomCursors::Role::Move);
        setPointer(false);
        emit statusChanged(StatusIdle);
    }
}

void MapInteraction::armFrame()
{
    m_modeFenetre = true;
    m_modeLoupe = false;
    setSlot(ZoomCursors::Role::Cross);
    setPointer(true);
    emit statusChanged(StatusFrame);
}

void MapInteraction::escape(bool magnifierButton)
{
    emit statusChanged(StatusIdle);
    if (magnifierButton) {
        m_modeLoupe = false;
    } else {
        m_modeFenetre = false;
        m_frameStarted = false;
        m_scene.hideZoomFrame();
    }
    setSlot(ZoomCursors::Role::Move);
    setPointer(false);
}

void MapInteraction::disarm()
{
    m_modeLoupe = false;
    m_modeFenetre = false;
}

void MapInteraction::setSlot(ZoomCursors::Role role)
{
    m_slot = ZoomCursors::cursor(role);
    if (m_custom)
        m_window.setCursor(m_slot);
}

void MapInteraction::setPointer(bool custom)
{
    m_custom = custom;
    if (custom)
        m_window.setCursor(m_slot);
    else
        m_window.unsetCursor();
}

// ---------------------------------------------------------------- mouse

bool MapInteraction::eventFilter(QObject *watched, QEvent *event)
{
    if (watched && (watched == m_magnifierButton || watched == m_frameButton)) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            escape(watched == m_magnifierButton);
            return true;
        }
        return false;
    }
    if (watched != m_view.viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *e = static_cast<QMouseEvent *>(event);
        const QPointF pos = e->position();
        const Qt::KeyboardModifiers mods = MapScene::heededKeys(e->modifiers());
        // The first button pressed decides which item has the mouse.
        if (MapScene::heededButtons(e->buttons()) == Qt::MouseButtons(e->button()) || m_press.target == Target::None)
            m_press = hitAt(pos);
        switch (m_press.target) {
        case Target::Map:
            mapPress(e->button(), mods, mapTwips(pos));
            break;
        case Target::Icon:
            // A drag goes on to the icon itself.
            return !iconPress(m_press.index, e->button(), mods);
        case Target::Label:
            return !labelPress(e->button(), mods);
        default:
            break;
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        const Qt::MouseButtons buttons = MapScene::heededButtons(e->buttons());
        if (buttons == Qt::NoButton || m_press.target == Target::None)
            return false;  // hover: the scene shows the tooltips
        if (m_press.target == Target::Icon || m_press.target == Target::Label)
            return false;  // the item pressed moves itself
        if (m_press.target == Target::Map)
            mapMove(buttons, MapScene::heededKeys(e->modifiers()), mapTwips(e->position()));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        const Target target = m_press.target;
        if (e->buttons() == Qt::NoButton)
            m_press = Hit();
        if (target == Target::Map)
            mapRelease(e->button(), mapTwips(e->position()));
        if (target == Target::Icon || target == Target::Label) {
            setPointer(false);
            if (target == Target::Icon) {
                m_routines.TraceFaisceaux();
                m_routines.TraceChemins(m_routes.CheminsActifs);
            }
            return false;  // the item stores where it was dropped
        }
        return true;
    }
    case QEvent::Wheel:
        wheel(static_cast<QWheelEvent *>(event));
        return true;  // the map never scrolls
    default:
        return false;
    }
}

void MapInteraction::wheel(QWheelEvent *e)
{
    // One notch (120) is one step of the magnifier around the pointer;
    // touchpads send smaller parts of a notch, added up here.
    m_wheelRest += e->angleDelta().y();
    const QPointF p = mapTwips(e->position());
    while (std::abs(m_wheelRest) >= WheelNotch) {
        const bool in = m_wheelRest > 0;
        m_wheelRest += in ? -WheelNotch : WheelNotch;
        if (m_zoom.magnify(in, p.x(), p.y()))
            changed();
        else
            m_wheelRest = 0;  // at the smallest zoom: turns further out are lost
    }
}

QPointF MapInteraction::mapTwips(const QPointF &vp) const
{
    return QPointF(vp.x() * TwipsPerPixel - m_zoom.left(), vp.y() * TwipsPerPixel - m_zoom.top());
}

MapInteraction::Hit MapInteraction::hitAt(const QPointF &vp) const
{
    Hit h;
    const QList<QGraphicsItem *> under = m_view.items(vp.toPoint());
    for (QGraphicsItem *item : under) {
        if (item->type() == RepeaterIcon::Type) {
            auto *icon = static_cast<RepeaterIcon *>(item);
            h.target = Target::Icon;
            h.index = icon->numero();
            return h;
        }
        if (item->type() == MapLabel::Type) {
            auto *label = static_cast<MapLabel *>(item);
            h.index = label->numero();
            h.target = label->role() == MapLabel::Countdown ? Target::Inert : Target::Label;
            return h;
        }
        if (m_scene.isMapItem(item)) {
            h.target = Target::Map;
            return h;
        }
        // Lines and the zoom frame let the mouse through to the map.
    }
    const QPointF m = m_view.viewportToMap(vp);
    if (QRectF(0, 0, m_scene.LargeurPlan(), m_scene.HauteurPlan()).contains(m))
        h.target = Target::Map;
    return h;
}

void MapInteraction::mapPress(Qt::MouseButton button, Qt::KeyboardModifiers mods, const QPointF &p)
{
    const bool modesOff = !m_modeLoupe && !m_modeFenetre;
    if (button == Qt::RightButton && mods == Qt::ShiftModifier && modesOff) {
        m_scene.setMapToolTip(coordinateText(p.x(), p.y()));
    }
    if (button == Qt::LeftButton && mods == Qt::ControlModifier && modesOff) {
        setPointer(true);
        m_deplacementCarte = true;
        SourisX = whole(p.x());
        SourisY = whole(p.y());
    }
    if (m_modeLoupe && button == Qt::LeftButton) {
        m_zoom.magnify(true, p.x(), p.y());
        changed();
    }
    if (m_modeLoupe && button == Qt::RightButton && m_zoom.coef() > ZoomState::MinCoef) {
        m_zoom.magnify(false, p.x(), p.y());
        changed();
    }
    if (m_modeFenetre && button == Qt::LeftButton) {
        SourisX = whole(p.x());
        SourisY = whole(p.y());
        const double k = 10.0 / m_zoom.coef();
        m_scene.showZoomFrame(QRectF(p.x() * k, p.y() * k, 0, 0));
        m_frameStarted = true;
    }
}

void MapInteraction::mapMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, const QPointF &p)
{
    if (buttons == Qt::LeftButton && m_modeFenetre && m_frameStarted) {
        // Drawn where the mouse is, whichever way the frame is dragged.
        const double k = 10.0 / m_zoom.coef();
        const QRectF r(QPointF(SourisX * k, SourisY * k), QPointF(p.x() * k, p.y() * k));
        m_scene.showZoomFrame(r.normalized());
    }
    if (buttons == Qt::LeftButton && mods == Qt::ControlModifier && m_deplacementCarte) {
        // The grabbed point stays under the pointer.
        m_zoom.moveTo(whole(m_zoom.left() + p.x() - SourisX), whole(m_zoom.top() + p.y() - SourisY));
        applyView();
    }
}

void MapInteraction::mapRelease(Qt::MouseButton button, const QPointF &p)
{
    if (!m_modeLoupe)
        setPointer(false);
    if (button == Qt::LeftButton && m_modeFenetre) {
        m_scene.hideZoomFrame();
        const bool zoomed = m_frameStarted
                            && m_zoom.frame(SourisX, SourisY, p.x(), p.y(), windowWidthTwips(), MinFrameTwips);
        m_frameStarted = false;
        if (zoomed) {
            m_modeFenetre = false;
            emit statusChanged(StatusIdle);
            changed();
        } else {
            // A click is not a frame: the mode stays armed for the next one.
            setPointer(true);
        }
    }
    if (button == Qt::LeftButton && m_deplacementCarte) {
        // Ends the pan even when Ctrl was let go first, so the view shown is
        // the view saved.
        takePosition();
        SauveVue();
        m_deplacementCarte = false;
    }
}

// ---------------------------------------------------------------- icons

bool MapInteraction::iconPress(int index, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (const Repeater *r = m_scene.repeater(index)) {
        m_state.NomCourant = r->nom;
        m_state.FreqCourante = r->freq;
    }
    if (MapScene::isDrag(button, mods)) {
        setPointer(true);
        return true;
    }
    const bool commands = button == Qt::LeftButton && mods == Qt::NoModifier;
    const bool editor = button == Qt::RightButton && mods == Qt::ShiftModifier;
    if (!commands && !editor)
        return false;
    m_state.chooseRepeater(index);
    if (commands)
        emit commandWindowAsked(index);
    else
        emit commandEditorAsked(index);
    return false;
}

bool MapInteraction::labelPress(Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (!MapScene::isDrag(button, mods))
        return false;
    setPointer(true);
    return true;
}
