#pragma once

#include <QString>

struct AppContext;
class MapScene;

// The drawing routines of the map: beams and routes on the scene.
class MapRoutines
{
public:
    MapRoutines(AppContext &ctx, MapScene &scene) : m_ctx(ctx), m_scene(scene) {}

    void TraceFaisceaux();
    void TraceChemins(const QString &chemins);

private:
    AppContext &m_ctx;
    MapScene &m_scene;
};
