#pragma once

#include "settings.h"

#include <QString>

// State that more than one window uses.
struct SharedState
{
    int IndexBouton = 0;
    QString NomCourant;
    QString FreqCourante;
    bool EnvoiEnCours = false;

    quint32 CouleurActif = 0;
    quint32 CouleurRepos = 0;
    quint32 CouleurLigne = 0;
    quint32 CouleurFaisceau = 0;

    int SourisX = 0;
    int SourisY = 0;
    int CarteX = 0;
    int CarteY = 0;
    double CoefZoom = 10;
    int DureeAffichage = 5;

    void applySettings(const Settings &s);
};
