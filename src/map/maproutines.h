#pragma once

#include "core/settings.h"

#include <QString>

class MapScene;

// The drawing routines of the map: beams and routes on the scene, in the
// line colours handed over by the settings.
class MapRoutines
{
public:
    explicit MapRoutines(MapScene &scene) : m_scene(scene) {}

    void setColours(quint32 routeColour, quint32 beamColour);

    void TraceFaisceaux();
    void TraceChemins(const QString &chemins);

private:
    MapScene &m_scene;
    quint32 CouleurLigne = Settings().routeColour;
    quint32 CouleurFaisceau = Settings().beamColour;
};
