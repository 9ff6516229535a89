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

    // Stored colours and route duration: read from the settings row's one
    // owner (Configuration), never copied.
    quint32 CouleurActif() const { return stored().activeColour; }
    quint32 CouleurRepos() const { return stored().idleColour; }
    quint32 CouleurLigne() const { return stored().routeColour; }
    quint32 CouleurFaisceau() const { return stored().beamColour; }
    int DureeAffichage() const { return stored().displayMinutes(); }

    int SourisX = 0;
    int SourisY = 0;
    // The view being shown; saved to the row when it changes.
    int CarteX = 0;
    int CarteY = 0;
    double CoefZoom = 10;

    void bindStored(const Settings *row) { m_stored = row; }
    // The view of the row as just loaded becomes the one shown.
    void startView(const Settings &s);

private:
    const Settings &stored() const;

    const Settings *m_stored = nullptr;
};
