#pragma once

#include "settings.h"

#include <QString>

// State that more than one window uses: the repeater chosen on the map and
// the view shown.
class SharedState
{
public:
    // The repeater last clicked on the map (0: none); the command window and
    // the command table editor work on it. chooseRepeater() alone writes it.
    int IndexBouton() const { return m_indexBouton; }
    void chooseRepeater(int numero) { m_indexBouton = numero; }

    // Name and frequency of the repeater last pressed on the map.
    QString NomCourant;
    QString FreqCourante;

    // The view being shown; saved to the row when it changes.
    int CarteX = 0;
    int CarteY = 0;
    double CoefZoom = 10;

    // The view of the row as just loaded becomes the one shown.
    void startView(const Settings &s);

private:
    int m_indexBouton = 0;
};
