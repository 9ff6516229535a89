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

    // Stored colours and route duration: read from the settings row's one
    // owner (Configuration), never copied.
    quint32 CouleurActif() const { return stored().couleurActif; }
    quint32 CouleurRepos() const { return stored().couleurRepos; }
    quint32 CouleurLigne() const { return stored().couleurLigne; }
    quint32 CouleurFaisceau() const { return stored().couleurFaisceau; }
    int DureeAffichage() const { return stored().dureeAffichage(); }

    int SourisX = 0;
    int SourisY = 0;
    // The view being shown; saved to the row when it changes.
    int CarteX = 0;
    int CarteY = 0;
    double CoefZoom = 10;

    // Start of each repeater's route display, in ms of the monotonic clock().
    QVector<qint64> DebutRoute;
    QVector<bool> RouteAffichee;
    QVector<QString> CheminRelai;
    QString CheminsActifs;

    SharedState();

    // Grows the per-repeater arrays so that entry `numero` exists (at least 30).
    void ensureRepeaters(int numero);
    void bindStored(const Settings *row) { m_stored = row; }
    // The view of the row as just loaded becomes the one shown.
    void startView(const Settings &s);

    // Milliseconds of a monotonic clock: routes shown across midnight or a
    // change of the system time still count down correctly.
    qint64 clock() const { return m_clock.elapsed(); }

private:
    const Settings &stored() const;

    QElapsedTimer m_clock;
    const Settings *m_stored = nullptr;
};
