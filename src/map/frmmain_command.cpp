#include "frmmain.h"

#include "command/relai.h"
#include "core/appcontext.h"
#include "map/countdowns.h"
#include "map/keypad.h"
#include "map/maproutines.h"
#include "map/mapscene.h"

#include <QPushButton>

void frmMain::setupCommands()
{
    // The scene shows what the route state says.
    RouteState &routes = m_ctx.routes;
    connect(&routes, &RouteState::activeChanged, m_scene, &MapScene::setActive);
    connect(&routes, &RouteState::labelsChanged, m_scene, &MapScene::setLabels);
    connect(&routes, &RouteState::labelsRestored, m_scene, &MapScene::restoreLabels);
    connect(&routes, &RouteState::countdownChanged, m_scene, &MapScene::setCountdown);
    connect(&routes, &RouteState::routesChanged, this, [this](const QString &chemins) {
        m_routines->TraceChemins(chemins);
    });
    auto *countdowns = new Countdowns(routes, this);
    countdowns->setObjectName(QStringLiteral("countdowns"));
    new Keypad(m_ctx, FVocal, this, this);
    connect(CmdEfface, &QPushButton::clicked, this, [this] {
        m_ctx.routes.Efface();
        setEtat(QStringLiteral("Etat :"));
    });
}

// IndexBouton, NomCourant and FreqCourante are set by the caller (the click on
// the repeater's icon) before the window opens.
void frmMain::openCommandWindow(int index)
{
    if (findChild<Relai *>())
        return;  // one command window at a time
    m_ctx.state.IndexBouton = index;
    auto *window = new Relai(m_ctx, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->show();
}
