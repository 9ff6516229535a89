#include "sharedstate.h"

void SharedState::applySettings(const Settings &s)
{
    CouleurActif = s.couleurActif;
    CouleurRepos = s.couleurRepos;
    CouleurLigne = s.couleurLigne;
    CouleurFaisceau = s.couleurFaisceau;
    DureeAffichage = s.dureeAffichage();
    CarteX = s.carteX;
    CarteY = s.carteY;
    CoefZoom = s.coefZoom;
}
