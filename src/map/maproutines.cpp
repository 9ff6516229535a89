#include "maproutines.h"

#include "core/routes.h"
#include "mapscene.h"

void MapRoutines::setColours(quint32 routeColour, quint32 beamColour)
{
    CouleurLigne = routeColour;
    CouleurFaisceau = beamColour;
}

void MapRoutines::TraceFaisceaux()
{
    m_scene.drawBeams(Routes::beams(m_scene.repeaters()), CouleurFaisceau);
}

void MapRoutines::TraceChemins(const QString &chemins)
{
    m_scene.drawRoutes(Routes::routes(chemins, m_scene.repeaters()), CouleurLigne);
}
