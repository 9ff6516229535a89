#include "mapinteraction.h"

#include "app/appcontext.h"
#include "core/convert.h"
#include "frmmain.h"
#include "maplabel.h"
#include "maproutines.h"
#include "mapscene.h"
#include "mapview.h"
#include "repeatericon.h"

#include <QGraphicsLineItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

namespace {
const QString EtatRepos = QStringLiteral("Etat :");
const QString EtatLoupe = QStringLiteral("Appuyer sur ECHAP pour annuler le Zoom");
const QString EtatFenetre = QStringLiteral("Appuyer sur ECHAP pour annuler le Zoom ou définissez la fenêtre de Zoom ");

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

MapInteraction::MapInteraction(frmMain &window) : QObject(&window), m_w(window)
{
    setObjectName(QStringLiteral("mapInteraction"));
    m_slot = ZoomCursors::cursor(ZoomCursors::Role::Grab);
}

void MapInteraction::attach()
{
    connect(m_w.CmdZoomPlus, &QToolButton::clicked, this, &MapInteraction::zoomPlus);
    connect(m_w.CmdZoomMoins, &QToolButton::clicked, this, &MapInteraction::zoomMoins);
    connect(m_w.CmdZoom, &QToolButton::clicked, this, &MapInteraction::toggleLoupe);
    connect(m_w.CmdZoomFenetre, &QToolButton::clicked, this, &MapInteraction::armFenetre);
    connect(m_w.CmdZoomPrec, &QToolButton::clicked, this, &MapInteraction::zoomPrecedent);
    connect(m_w.CmdZoomTout, &QToolButton::clicked, this, &MapInteraction::zoomTout);
    if (m_w.CmdEfface)
        connect(m_w.CmdEfface, &QPushButton::clicked, this, &MapInteraction::disarm);
    // A key of the keypad leaves the zoom modes too.
    for (QPushButton *key : m_w.FVocal)
        connect(key, &QPushButton::pressed, this, &MapInteraction::disarm);
    m_w.CmdZoom->installEventFilter(this);
    m_w.CmdZoomFenetre->installEventFilter(this);
    m_w.view()->viewport()->installEventFilter(this);
    // Icons and labels move themselves; where they were dropped is stored here.
    connect(m_w.scene(), &MapScene::iconDropped, this, [this](int numero, const QPointF &p) {
        m_w.context().store.writeIconPosition(numero, p.x(), p.y());
    });
    connect(m_w.scene(), &MapScene::labelsDropped, this, [this](int numero, const QPointF &p) {
        m_w.context().store.writeLabelPosition(numero, p.x(), p.y());
    });
    m_w.view()->viewport()->setMouseTracking(true);
}

void MapInteraction::loaded()
{
    SharedState &s = m_w.context().state;
    m_zoom.load(s.CoefZoom, s.CarteX, s.CarteY);
    s.CoefZoom = m_zoom.coef();
    applyView();
}

double MapInteraction::windowWidthTwips() const
{
    return m_w.frameGeometry().width() * TwipsPerPixel;
}

QString MapInteraction::coordinateText(double x, double y)
{
    return signedText(x) + QLatin1Char(' ') + signedText(y);
}

// ---------------------------------------------------------------- view

void MapInteraction::applyView()
{
    m_w.context().state.CoefZoom = m_zoom.coef();
    m_w.view()->applyView(m_zoom.coef(), m_zoom.left(), m_zoom.top());
}

void MapInteraction::takePosition()
{
    m_w.context().state.CarteX = m_zoom.left();
    m_w.context().state.CarteY = m_zoom.top();
}

void MapInteraction::changed()
{
    takePosition();
    applyView();
    ReplacerRelais();
}

void MapInteraction::ReplacerRelais()
{
    MapScene *scene = m_w.scene();
    // Stored places, so an icon dropped without Shift goes back to its own.
    const QVector<Repeater> rows = m_w.context().store.repeaters();
    for (int k = 1; k <= rows.size(); ++k) {
        const Repeater &r = rows[k - 1];
        scene->placeRepeater(k, QPointF(r.posGauche, r.posHaut), QPointF(r.libellePosGau, r.libellePosHaut));
    }
    SauveVue();
    m_w.routines()->TraceFaisceaux();
    m_w.routines()->TraceChemins(m_w.context().routes.CheminsActifs);
}

void MapInteraction::SauveVue()
{
    AppContext &ctx = m_w.context();
    const SharedState &s = ctx.state;
    ctx.config.applyView(s.CoefZoom, s.CarteX, s.CarteY);
}

// ---------------------------------------------------------------- buttons

void MapInteraction::zoomPlus()
{
    m_modeLoupe = false;
    m_modeFenetre = false;
    m_zoom.zoomIn();
    applyView();
    ReplacerRelais();
}

void MapInteraction::zoomMoins()
{
    m_modeLoupe = false;
    m_modeFenetre = false;
    if (m_zoom.zoomOut()) {
        applyView();
        ReplacerRelais();
    }
}

void MapInteraction::zoomPrecedent()
{
    m_zoom.previous();
    changed();
}

void MapInteraction::zoomTout()
{
    m_zoom.zoomAll(windowWidthTwips(), m_w.scene()->LargeurPlan());
    changed();
}

void MapInteraction::toggleLoupe()
{
    m_modeLoupe = !m_modeLoupe;
    m_modeFenetre = false;
    m_w.scene()->hideZoomFrame();
    m_frameStarted = false;
    if (m_modeLoupe) {
        setSlot(ZoomCursors::Role::Magnify);
        setPointer(true);
        m_w.setEtat(EtatLoupe);
    } else {
        setSlot(ZoomCursors::Role::Move);
        setPointer(false);
        m_w.setEtat(EtatRepos);
    }
}

void MapInteraction::armFenetre()
{
    m_modeFenetre = true;
    m_modeLoupe = false;
    setSlot(ZoomCursors::Role::Cross);
    setPointer(true);
    m_w.setEtat(EtatFenetre);
}

void MapInteraction::escape(bool loupeButton)
{
    m_w.setEtat(EtatRepos);
    if (loupeButton) {
        m_modeLoupe = false;
    } else {
        m_modeFenetre = false;
        m_frameStarted = false;
        m_w.scene()->hideZoomFrame();
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
        m_w.setCursor(m_slot);
}

void MapInteraction::setPointer(bool custom)
{
    m_custom = custom;
    if (custom)
        m_w.setCursor(m_slot);
    else
        m_w.unsetCursor();
}

// ---------------------------------------------------------------- mouse

bool MapInteraction::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_w.CmdZoom || watched == m_w.CmdZoomFenetre) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            escape(watched == m_w.CmdZoom);
            return true;
        }
        return false;
    }
    if (watched != m_w.view()->viewport())
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
                m_w.routines()->TraceFaisceaux();
                m_w.routines()->TraceChemins(m_w.context().routes.CheminsActifs);
            }
            return false;  // the item stores where it was dropped
        }
        return true;
    }
    default:
        return false;
    }
}

QPointF MapInteraction::mapTwips(const QPointF &vp) const
{
    return QPointF(vp.x() * TwipsPerPixel - m_zoom.left(), vp.y() * TwipsPerPixel - m_zoom.top());
}

MapInteraction::Hit MapInteraction::hitAt(const QPointF &vp) const
{
    Hit h;
    MapScene *scene = m_w.scene();
    const QList<QGraphicsItem *> under = m_w.view()->items(vp.toPoint());
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
        if (scene->isMapItem(item)) {
            h.target = Target::Map;
            return h;
        }
        // Lines and the zoom frame let the mouse through to the map.
    }
    const QPointF m = m_w.view()->viewportToMap(vp);
    if (QRectF(0, 0, scene->LargeurPlan(), scene->HauteurPlan()).contains(m))
        h.target = Target::Map;
    return h;
}

void MapInteraction::mapPress(Qt::MouseButton button, Qt::KeyboardModifiers mods, const QPointF &p)
{
    SharedState &s = m_w.context().state;
    MapScene *scene = m_w.scene();
    const bool modesOff = !m_modeLoupe && !m_modeFenetre;
    if (button == Qt::RightButton && mods == Qt::ShiftModifier && modesOff) {
        scene->setMapToolTip(coordinateText(p.x(), p.y()));
    }
    if (button == Qt::LeftButton && mods == Qt::ControlModifier && modesOff) {
        setPointer(true);
        m_deplacementCarte = true;
        s.SourisX = whole(p.x());
        s.SourisY = whole(p.y());
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
        s.SourisX = whole(p.x());
        s.SourisY = whole(p.y());
        const double k = 10.0 / m_zoom.coef();
        scene->showZoomFrame(QRectF(p.x() * k, p.y() * k, 0, 0));
        m_frameStarted = true;
    }
}

void MapInteraction::mapMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, const QPointF &p)
{
    SharedState &s = m_w.context().state;
    if (buttons == Qt::LeftButton && m_modeFenetre && m_frameStarted) {
        // Drawn where the mouse is, whichever way the frame is dragged.
        const double k = 10.0 / m_zoom.coef();
        const QRectF r(QPointF(s.SourisX * k, s.SourisY * k), QPointF(p.x() * k, p.y() * k));
        m_w.scene()->showZoomFrame(r.normalized());
    }
    if (buttons == Qt::LeftButton && mods == Qt::ControlModifier && m_deplacementCarte) {
        // The grabbed point stays under the pointer.
        m_zoom.moveTo(whole(m_zoom.left() + p.x() - s.SourisX), whole(m_zoom.top() + p.y() - s.SourisY));
        applyView();
    }
}

void MapInteraction::mapRelease(Qt::MouseButton button, const QPointF &p)
{
    SharedState &s = m_w.context().state;
    if (!m_modeLoupe)
        setPointer(false);
    if (button == Qt::LeftButton && m_modeFenetre) {
        m_w.scene()->hideZoomFrame();
        const bool zoomed = m_frameStarted
                            && m_zoom.frame(s.SourisX, s.SourisY, p.x(), p.y(), windowWidthTwips(), MinFrameTwips);
        m_frameStarted = false;
        if (zoomed) {
            m_modeFenetre = false;
            m_w.setEtat(EtatRepos);
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
    AppContext &ctx = m_w.context();
    if (const Repeater *r = m_w.scene()->repeater(index)) {
        ctx.state.NomCourant = r->nom;
        ctx.state.FreqCourante = r->freq;
    }
    if (MapScene::isDrag(button, mods)) {
        setPointer(true);
        return true;
    }
    if (button == Qt::LeftButton && mods == Qt::NoModifier) {
        ctx.state.IndexBouton = index;
        m_w.openCommandWindow(index);
    } else if (button == Qt::RightButton && mods == Qt::ShiftModifier) {
        ctx.state.IndexBouton = index;
        m_w.openCommandEditor(index);
    }
    return false;
}

bool MapInteraction::labelPress(Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (!MapScene::isDrag(button, mods))
        return false;
    setPointer(true);
    return true;
}
