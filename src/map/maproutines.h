#pragma once

#include <QString>

struct AppContext;
class MapScene;

// The shared routines of the map: beams, routes, and a repeater's route
// display, working on the shared state and drawing on the scene.
class MapRoutines
{
public:
    MapRoutines(AppContext &ctx, MapScene &scene) : m_ctx(ctx), m_scene(scene) {}

    void TraceFaisceaux();
    void TraceChemins(const QString &chemins);
    // Marks the repeaters of `touches` (one key each) active and starts their countdown.
    void ActiveRelais(const QString &touches);
    // Ends the route display of repeater i: its own route leaves CheminsActifs
    // as whole segments, it shows its idle icon, name and frequency again.
    void EffaceChemin(int i);
    void FinAffichage(int i) { EffaceChemin(i); }

private:
    AppContext &m_ctx;
    MapScene &m_scene;
};
