#include "maproutines.h"

#include "core/appcontext.h"
#include "map/mapscene.h"
#include "map/routes.h"

void MapRoutines::TraceFaisceaux()
{
    m_scene.drawBeams(Routes::beams(m_scene.repeaters()), m_ctx.state.CouleurFaisceau());
}

void MapRoutines::TraceChemins(const QString &chemins)
{
    m_scene.drawRoutes(Routes::routes(chemins, m_scene.repeaters()), m_ctx.state.CouleurLigne());
}

void MapRoutines::ActiveRelais(const QString &touches)
{
    SharedState &s = m_ctx.state;
    const qint64 now = s.clock();
    for (QChar key : touches) {
        for (const Repeater &r : m_scene.repeaters()) {
            if (r.dtmf.size() != 1 || r.dtmf.at(0) != key)
                continue;
            s.ensureRepeaters(r.numero);
            m_scene.setActive(r.numero, true);
            s.RouteAffichee[r.numero] = true;
            s.DebutRoute[r.numero] = now;
        }
    }
}

void MapRoutines::EffaceChemin(int i)
{
    SharedState &s = m_ctx.state;
    if (i < 0)
        return;
    s.ensureRepeaters(i);
    if (!s.CheminsActifs.isEmpty()) {
        s.CheminsActifs = Routes::removeRoute(s.CheminsActifs, s.CheminRelai[i]);
        s.CheminRelai[i].clear();
        TraceChemins(s.CheminsActifs);
    }
    m_scene.setActive(i, false);
    m_scene.restoreLabels(i, s.CouleurRepos());
    s.RouteAffichee[i] = false;
}
