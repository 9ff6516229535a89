#pragma once

#include "settings.h"

#include <QElapsedTimer>
#include <QString>
#include <QVector>

// State that more than one window uses. Per-repeater entries are indexed by
// repeater number; entry 0 belongs to no repeater.
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

    // Start of each repeater's route display, in ms of the monotonic clock().
    QVector<qint64> DebutRoute;
    QVector<bool> RouteAffichee;
    QVector<QString> CheminRelai;
    QString CheminsActifs;

    SharedState();

    // Grows the per-repeater arrays so that entry `numero` exists (at least 30).
    void ensureRepeaters(int numero);
    void applySettings(const Settings &s);

    // Milliseconds of a monotonic clock: routes shown across midnight or a
    // change of the system time still count down correctly.
    qint64 clock() const { return m_clock.elapsed(); }

private:
    QElapsedTimer m_clock;
};
