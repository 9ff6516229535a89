#include "mapinteraction.h"

#include "core/appcontext.h"
#include "core/convert.h"
#include "map/frmmain.h"
#include "map/maplabel.h"
#include "map/maproutines.h"
#include "map/mapscene.h"
#include "map/mapview.h"
#include "map/repeatericon.h"

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

int buttonValue(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int buttonsValue(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

int shiftValue(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

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
        const int button = buttonValue(e->button());
        const int shift = shiftValue(e->modifiers());
        // The first button pressed decides which item has the mouse.
        if (buttonsValue(e->buttons()) == button || m_press.target == Target::None)
            m_press = hitAt(pos);
        const Hit h = m_press;
        switch (h.target) {
        case Target::Map:
            mapPress(button, shift, mapTwips(pos));
            break;
        case Target::Icon:
            iconPress(h, button, shift, pos);
            break;
        case Target::Label:
            labelPress(h, button, shift, pos);
            break;
        default:
            break;
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        const int buttons = buttonsValue(e->buttons());
        if (buttons == 0 || m_press.target == Target::None)
            return false;  // hover: the scene shows the tooltips
        const Hit h = m_press;
        const int shift = shiftValue(e->modifiers());
        if (h.target == Target::Map)
            mapMove(buttons, shift, mapTwips(e->position()));
        else if (h.target == Target::Icon)
            iconMove(h, buttons, shift, e->position());
        else if (h.target == Target::Label)
            labelMove(h, buttons, shift, e->position());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        const Hit h = m_press;
        const int button = buttonValue(e->button());
        const int shift = shiftValue(e->modifiers());
        if (e->buttons() == Qt::NoButton)
            m_press = Hit();
        if (h.target == Target::Map)
            mapRelease(button, shift, mapTwips(e->position()));
        else if (h.target == Target::Icon)
            iconRelease(h, button, shift);
        else if (h.target == Target::Label)
            labelRelease(h, button, shift);
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
            h.activeIcon = icon->isActiveIcon();
            return h;
        }
        if (item->type() == MapLabel::Type) {
            auto *label = static_cast<MapLabel *>(item);
            h.index = label->numero();
            if (label->role() == MapLabel::Countdown) {
                h.target = Target::Inert;
            } else {
                h.target = Target::Label;
                h.secondLabel = label->role() == MapLabel::Frequency;
            }
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

void MapInteraction::mapPress(int button, int shift, const QPointF &p)
{
    SharedState &s = m_w.context().state;
    MapScene *scene = m_w.scene();
    const bool modesOff = !m_modeLoupe && !m_modeFenetre;
    if (button == 2 && shift == 1 && modesOff) {
        scene->setMapToolTip(coordinateText(p.x(), p.y()));
    }
    if (button == 1 && shift == 2 && modesOff) {
        setPointer(true);
        m_deplacementCarte = true;
        s.SourisX = whole(p.x());
        s.SourisY = whole(p.y());
    }
    if (m_modeLoupe && button == 1) {
        m_zoom.magnify(true, p.x(), p.y());
        changed();
    }
    if (m_modeLoupe && button == 2 && m_zoom.coef() > ZoomState::MinCoef) {
        m_zoom.magnify(false, p.x(), p.y());
        changed();
    }
    if (m_modeFenetre && button == 1) {
        s.SourisX = whole(p.x());
        s.SourisY = whole(p.y());
        const double k = 10.0 / m_zoom.coef();
        scene->showZoomFrame(QRectF(p.x() * k, p.y() * k, 0, 0));
        m_frameStarted = true;
    }
}

void MapInteraction::mapMove(int buttons, int shift, const QPointF &p)
{
    SharedState &s = m_w.context().state;
    if (buttons == 1 && m_modeFenetre && m_frameStarted) {
        // Drawn where the mouse is, whichever way the frame is dragged.
        const double k = 10.0 / m_zoom.coef();
        const QRectF r(QPointF(s.SourisX * k, s.SourisY * k), QPointF(p.x() * k, p.y() * k));
        m_w.scene()->showZoomFrame(r.normalized());
    }
    if (buttons == 1 && shift == 2 && m_deplacementCarte) {
        // The grabbed point stays under the pointer.
        m_zoom.moveTo(whole(m_zoom.left() + p.x() - s.SourisX), whole(m_zoom.top() + p.y() - s.SourisY));
        applyView();
    }
}

void MapInteraction::mapRelease(int button, int shift, const QPointF &p)
{
    Q_UNUSED(shift);
    SharedState &s = m_w.context().state;
    if (!m_modeLoupe)
        setPointer(false);
    if (button == 1 && m_modeFenetre) {
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
    if (button == 1 && m_deplacementCarte) {
        // Ends the pan even when Ctrl was let go first, so the view shown is
        // the view saved.
        takePosition();
        SauveVue();
        m_deplacementCarte = false;
    }
}

// ---------------------------------------------------------------- icons

bool MapInteraction::iconShown(const Hit &h) const
{
    const auto &list = h.activeIcon ? m_w.scene()->RelaiOk : m_w.scene()->RelaiKo;
    return h.index > 0 && h.index < list.size() && list[h.index] && list[h.index]->isVisible();
}

QPointF MapInteraction::iconScreenPos(int index) const
{
    const QPointF pos = m_w.scene()->RelaiOk[index]->pos();
    const double k = m_zoom.coef() / 10.0;
    return QPointF(float(pos.x() * k), float(pos.y() * k));
}

void MapInteraction::iconPress(const Hit &h, int button, int shift, const QPointF &vp)
{
    AppContext &ctx = m_w.context();
    if (const Repeater *r = m_w.scene()->repeater(h.index)) {
        ctx.state.NomCourant = r->nom;
        ctx.state.FreqCourante = r->freq;
    }
    if (!iconShown(h))
        return;
    if (button == 1 && shift == 1) {
        const QPointF p = mapTwips(vp) - iconScreenPos(h.index);
        ctx.state.SourisY = whole(p.y());
        ctx.state.SourisX = whole(p.x());
        setPointer(true);
    } else if (button == 1 && shift == 0) {
        ctx.state.IndexBouton = h.index;
        m_w.openCommandWindow(h.index);
    } else if (button == 2 && shift == 1) {
        ctx.state.IndexBouton = h.index;
        m_w.openCommandEditor(h.index);
    }
}

void MapInteraction::iconMove(const Hit &h, int buttons, int shift, const QPointF &vp)
{
    if (buttons != 1 || shift != 1 || !iconShown(h))
        return;
    const SharedState &s = m_w.context().state;
    const QPointF left = mapTwips(vp) - QPointF(s.SourisX, s.SourisY);
    const double k = 10.0 / m_zoom.coef();
    // Beams and routes follow through the scene while the icon moves.
    m_w.scene()->moveIcon(h.index, QPointF(float(left.x()) * k, float(left.y()) * k));
}

void MapInteraction::iconRelease(const Hit &h, int button, int shift)
{
    AppContext &ctx = m_w.context();
    if (button == 1 && shift == 1 && iconShown(h)) {
        const QPointF screen = iconScreenPos(h.index);
        const double k = 10.0 / m_zoom.coef();
        ctx.store.writeIconPosition(h.index, screen.x() * k, screen.y() * k);
    }
    setPointer(false);
    m_w.routines()->TraceFaisceaux();
    m_w.routines()->TraceChemins(ctx.routes.CheminsActifs);
}

// ---------------------------------------------------------------- labels

bool MapInteraction::labelShown(const Hit &h) const
{
    const auto &list = h.secondLabel ? m_w.scene()->FreqR : m_w.scene()->FreqE;
    return h.index > 0 && h.index < list.size() && list[h.index] && list[h.index]->isVisible();
}

QPointF MapInteraction::labelScreenPos(int index) const
{
    const QPointF pos = m_w.scene()->FreqE[index]->pos();
    const double k = m_zoom.coef() / 10.0;
    return QPointF(float(pos.x() * k), float(pos.y() * k));
}

void MapInteraction::labelPress(const Hit &h, int button, int shift, const QPointF &vp)
{
    if (button != 1 || shift != 1 || !labelShown(h))
        return;
    SharedState &s = m_w.context().state;
    setPointer(true);
    QPointF corner = labelScreenPos(h.index);
    if (h.secondLabel)
        corner.ry() += LabelStepTwips;
    const QPointF p = mapTwips(vp) - corner;
    s.SourisY = whole(p.y());
    s.SourisX = whole(p.x());
}

void MapInteraction::labelMove(const Hit &h, int buttons, int shift, const QPointF &vp)
{
    if (buttons != 1 || shift != 1 || !labelShown(h))
        return;
    const SharedState &s = m_w.context().state;
    // The dragged label's corner follows the pointer; the other keeps 210 twips away.
    QPointF corner = mapTwips(vp) - QPointF(s.SourisX, s.SourisY);
    if (h.secondLabel)
        corner.ry() -= LabelStepTwips;
    const double k = 10.0 / m_zoom.coef();
    m_w.scene()->moveLabels(h.index, QPointF(float(corner.x()) * k, float(corner.y()) * k));
}

void MapInteraction::labelRelease(const Hit &h, int button, int shift)
{
    if (button == 1 && shift == 1 && labelShown(h)) {
        const QPointF screen = labelScreenPos(h.index);
        const double k = 10.0 / m_zoom.coef();
        m_w.context().store.writeLabelPosition(h.index, screen.x() * k, screen.y() * k);
    }
    setPointer(false);
}
