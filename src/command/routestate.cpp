#include "routestate.h"

#include "core/appcontext.h"
#include "map/maproutines.h"
#include "map/mapscene.h"
#include "map/routes.h"

void RouteState::AfficheRoute(const Command &command)
{
    SharedState &s = m_ctx.state;
    const int clicked = s.IndexBouton;
    s.ensureRepeaters(std::max(clicked, 0));
    const QString liste = command.relais;
    const QString nouveau = command.chemin;

    m_routines.ActiveRelais(liste);

    if (liste.isEmpty() && clicked >= 0) {
        if (!s.CheminRelai[clicked].isEmpty())
            RetireChemin(s.CheminRelai[clicked]);
        s.CheminRelai[clicked] = nouveau;
    }

    QString reste = nouveau;
    for (QChar c : liste) {
        const int n = Store::lookupKey(m_scene.repeaters(), c, 1);
        s.ensureRepeaters(n);
        m_scene.setActive(n, true);
        // A key that matches no repeater falls back on repeater 1, which
        // ActiveRelais did not start: give it a start time of its own rather
        // than whatever an earlier route left behind.
        if (!s.RouteAffichee[n])
            s.DebutRoute[n] = s.clock();
        s.RouteAffichee[n] = true;
        if (!s.CheminRelai[n].isEmpty())
            RetireChemin(s.CheminRelai[n]);
        QString seg;
        while (!reste.isEmpty()) {
            const QChar first = reste.at(0);
            reste.remove(0, 1);
            if (first == QLatin1Char('-'))
                break;
            seg += first;
        }
        s.CheminRelai[n] = seg;
    }

    s.CheminsActifs = Routes::appendRoute(s.CheminsActifs, nouveau);
    m_routines.TraceChemins(s.CheminsActifs);

    if (!liste.isEmpty())
        m_scene.setLabels(clicked, command.tx, command.rx, s.CouleurActif());
    else
        m_routines.EffaceChemin(clicked);
}

void RouteState::RetireChemin(const QString &route)
{
    // Whole segments only: matching on the first two keys alone could cut a
    // piece out of another repeater's route.
    m_ctx.state.CheminsActifs = Routes::removeRoute(m_ctx.state.CheminsActifs, route);
}

void RouteState::RestaureLibelles()
{
    const SharedState &s = m_ctx.state;
    m_scene.setLabels(s.IndexBouton, s.NomCourant, s.FreqCourante, s.CouleurRepos());
}
