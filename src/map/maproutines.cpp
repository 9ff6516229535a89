#include "maproutines.h"

#include "app/appcontext.h"
#include "mapscene.h"
#include "core/routes.h"

void MapRoutines::TraceFaisceaux()
{
    m_scene.drawBeams(Routes::beams(m_scene.repeaters()), m_ctx.state.CouleurFaisceau());
}

void MapRoutines::TraceChemins(const QString &chemins)
{
    m_scene.drawRoutes(Routes::routes(chemins, m_scene.repeaters()), m_ctx.state.CouleurLigne());
}
