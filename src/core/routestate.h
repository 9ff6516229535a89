#pragma once

#include "repeater.h"

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

struct SharedState;

// The routes shown on the map and their countdowns, free of any window: it
// changes the route state and says what the map has to show (signals); the
// map window draws. Per-repeater entries are indexed by repeater number;
// entry 0 belongs to no repeater.
class RouteState : public QObject
{
    Q_OBJECT
public:
    explicit RouteState(SharedState &state, QObject *parent = nullptr);

    // Start of each repeater's route display, in ms of clock().
    QVector<qint64> DebutRoute;
    QVector<bool> RouteAffichee;
    QVector<QString> CheminRelai;
    QString CheminsActifs;

    // The repeaters of table Relais in stored order, as the map shows them.
    void setRepeaters(const QVector<Repeater> &repeaters);
    const QVector<Repeater> &repeaters() const { return m_repeaters; }
    // Grows the per-repeater arrays so that entry `numero` exists (at least 30).
    void ensureRepeaters(int numero);

    // Puts the route of `command` (sent from repeater IndexBouton) on the map.
    void AfficheRoute(const Command &command);
    // Cuts `route` out of CheminsActifs, as a whole segment.
    void RetireChemin(const QString &route);
    // The clicked repeater's labels back to name and frequency.
    void RestaureLibelles();
    // Repeater `numero` shows its idle icon.
    void showIdle(int numero) { emit activeChanged(numero, false); }
    // Marks the repeaters of `touches` (one key each) active and starts their countdown.
    void ActiveRelais(const QString &touches);
    // Ends the route display of repeater i: its own route leaves CheminsActifs
    // as whole segments, it shows its idle icon, name and frequency again.
    void EffaceChemin(int i);
    void FinAffichage(int i) { EffaceChemin(i); }
    // "Efface": every route off the map, every repeater idle.
    void Efface();
    // Repeater `numero` left table Relais and every following one moved one
    // number down: its route ends and the state of the others moves with them.
    void repeaterDeleted(int numero);

    // Milliseconds of a monotonic clock: routes shown across midnight or a
    // change of the system time still count down correctly. Tests stand
    // another clock in.
    qint64 clock() const { return m_clock ? m_clock() : m_elapsed.elapsed(); }
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Seconds left of a route started at `debut` ms when the clock reads `now`.
    static qint64 remaining(int dureeMinutes, qint64 debut, qint64 now);
    static QString format(qint64 reste);  // 04:05, 125:00
    // Green above three minutes, red below, no change (invalid) at exactly 180 s.
    static QColor colour(qint64 reste);
    // One step of every repeater's countdown.
    void tick();

signals:
    void activeChanged(int numero, bool active);  // which icon is in front
    void labelsChanged(int numero, const QString &first, const QString &second, quint32 colour);
    void labelsRestored(int numero, quint32 colour);  // name and frequency
    void routesChanged(const QString &chemins);       // draw CheminsActifs again
    void countdownChanged(int numero, const QString &text, const QColor &back);  // empty text hides

private:
    SharedState &m_state;
    QVector<Repeater> m_repeaters;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
};
