#pragma once

#include "repeater.h"
#include "settings.h"

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class SharedState;

// The routes shown on the map and their countdowns, free of any window: it
// changes the route state, keeps what the map shows of each repeater and says
// what the map has to show (signals); the map window draws. Per-repeater
// entries are indexed by repeater number; entry 0 belongs to no repeater.
class RouteState : public QObject
{
    Q_OBJECT
public:
    // The repeater clicked in `state` follows the renumbering of the table.
    explicit RouteState(SharedState &state, QObject *parent = nullptr);

    // Start of each repeater's route display, in ms of clock().
    QVector<qint64> DebutRoute;
    QVector<bool> RouteAffichee;
    QVector<QString> CheminRelai;
    QString CheminsActifs;
    // Minutes a route stays on the map, handed over by the settings. Every
    // step of the countdowns reads it, so a new duration applies to the
    // routes already counting.
    int DureeAffichage = Settings().displayMinutes();

    // Colours of a repeater's labels: command texts, and name and frequency.
    quint32 CouleurActif() const { return m_couleurActif; }
    quint32 CouleurRepos() const { return m_couleurRepos; }
    // The stored colours. `chosen` is the colour the colour menu just set
    // (none after a load): a new command colour goes to every repeater's second
    // label and a new name colour to every first label, whatever they show.
    void setColours(const Settings &row, std::optional<ColourChoice> chosen = std::nullopt);

    // What the map shows of one repeater.
    struct Look
    {
        bool active = false;     // its active icon in front
        QString first, second;   // the texts of its two labels
        quint32 colour = 0;      // of the first label
        QString countdown;       // empty when hidden
        QColor countdownBack;
    };
    const Look &look(int numero) const;

    // The repeaters of table Relais in stored order, as the map shows them.
    // Those still on a displayed route keep their look; the others show their
    // idle icon, name and frequency.
    void setRepeaters(const QVector<Repeater> &repeaters);
    // Grows the per-repeater arrays so that entry `numero` exists (at least 30).
    void ensureRepeaters(int numero);

    // Puts the route of `command`, sent from repeater `clicked`, on the map.
    void AfficheRoute(int clicked, const Command &command);
    // Cuts `route` out of CheminsActifs, as a whole segment.
    void RetireChemin(const QString &route);
    // Repeater `numero`'s labels back to its name and frequency.
    void RestaureLibelles(int numero, const QString &name, const QString &frequency);
    // Repeater `numero` shows its idle icon.
    void showIdle(int numero) { setActive(numero, false); }
    // Marks the repeaters of `touches` (one key each) active and starts their countdown.
    void ActiveRelais(const QString &touches);
    // Ends the route display of repeater i: its own route leaves CheminsActifs
    // as whole segments, it shows its idle icon, name and frequency again.
    void EffaceChemin(int i);
    void FinAffichage(int i) { EffaceChemin(i); }
    // The "Efface" button: every route off the map, every repeater idle.
    void clearRoutes();
    // Repeater `numero` left table Relais and every following one moved one
    // number down: its route ends and the state of the others moves with them.
    void repeaterDeleted(int numero);

    // Milliseconds of a monotonic clock: routes shown across midnight or a
    // change of the system time still count down correctly. Tests stand
    // another clock in.
    qint64 clock() const { return m_clock ? m_clock() : m_elapsed.elapsed(); }
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Seconds left of a route of `minutes` started at `start` ms when the clock reads `now`.
    static qint64 remaining(int minutes, qint64 start, qint64 now);
    static QString format(qint64 left);  // 04:05, 125:00
    // Green above three minutes, red below, no change (invalid) at exactly 180 s.
    static QColor colour(qint64 left);
    // One step of every repeater's countdown.
    void tick();

signals:
    void activeChanged(int numero, bool active);  // which icon is in front
    void labelsChanged(int numero, const QString &first, const QString &second, quint32 colour);
    void labelsRestored(int numero, quint32 colour);  // name and frequency
    // Every repeater's first (0) or second (1) label takes `colour`.
    void labelColourChanged(int label, quint32 colour);
    void routesChanged(const QString &chemins);       // draw CheminsActifs again
    void countdownChanged(int numero, const QString &text, const QColor &back);  // empty text hides

private:
    // Each keeps the look and tells the map.
    void setActive(int numero, bool active);
    void setLabels(int numero, const QString &first, const QString &second, quint32 colour);
    void restoreLabels(int numero, quint32 colour);
    void setCountdown(int numero, const QString &text, const QColor &back);
    Look *lookOf(int numero);

    SharedState &m_state;
    QVector<Repeater> m_repeaters;
    QVector<Look> m_looks;
    quint32 m_couleurActif = Settings().activeColour;
    quint32 m_couleurRepos = Settings().idleColour;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
};
