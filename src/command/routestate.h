#pragma once

#include "core/repeater.h"

#include <QString>

struct AppContext;
class MapRoutines;
class MapScene;

// What a confirmed command does to the shared route state and to the clicked
// repeater's look, free of any window so that it can be driven directly.
class RouteState
{
public:
    RouteState(AppContext &ctx, MapRoutines &routines, MapScene &scene)
        : m_ctx(ctx), m_routines(routines), m_scene(scene) {}

    // Puts the route of `command` (sent from repeater IndexBouton) on the map.
    void AfficheRoute(const Command &command);
    // Cuts `route` out of CheminsActifs, as a whole segment.
    void RetireChemin(const QString &route);
    // The clicked repeater's labels back to name and frequency.
    void RestaureLibelles();

private:
    AppContext &m_ctx;
    MapRoutines &m_routines;
    MapScene &m_scene;
};
