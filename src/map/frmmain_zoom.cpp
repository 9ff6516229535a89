#include "frmmain.h"

#include "map/mapinteraction.h"
#include "map/mapview.h"

#include <QIcon>
#include <QToolButton>

void frmMain::setupZoom()
{
    const struct { QToolButton *button; const char *picture; } band[] = {
        {CmdZoomPlus, "plus"},       {CmdZoomMoins, "minus"},     {CmdZoom, "magnify"},
        {CmdZoomFenetre, "frame"},   {CmdZoomPrec, "previous"},   {CmdZoomTout, "all"},
    };
    for (const auto &b : band) {
        b.button->setIcon(QIcon(QStringLiteral(":/resources/zoom/%1.png").arg(QLatin1String(b.picture))));
        b.button->setIconSize(QSize(21, 21));
        // A click gives the button the focus, so Escape reaches the mode buttons.
        b.button->setFocusPolicy(Qt::StrongFocus);
    }
    // The map never takes the focus: Escape keeps working between magnifier clicks.
    m_view->setFocusPolicy(Qt::NoFocus);
    m_interaction = new MapInteraction(*this);
    m_interaction->attach();
}

void frmMain::zoomLoaded()
{
    m_interaction->loaded();
}
