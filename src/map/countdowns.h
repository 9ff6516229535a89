#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>

struct AppContext;
class MapRoutines;
class MapScene;
class QTimer;

// The route countdowns of every repeater on one 100 ms timer: "mm:ss" under
// the repeater, green, then red in the last three minutes; when the time is
// up the repeater's route leaves the map.
class Countdowns : public QObject
{
    Q_OBJECT
public:
    Countdowns(AppContext &ctx, MapRoutines &routines, MapScene &scene, QObject *parent = nullptr);

    // The clock that DebutRoute entries are read against (ms); the shared
    // state's monotonic clock unless a test stands another in.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Seconds left of a route started at `debut` ms when the clock reads `now`.
    static qint64 remaining(int dureeMinutes, qint64 debut, qint64 now);
    static QString format(qint64 reste);  // 04:05, 125:00
    // Green above three minutes, red below, no change (invalid) at exactly 180 s.
    static QColor colour(qint64 reste);

    // One step of every repeater's countdown.
    void tick();
    // "Efface": every route off the map, every repeater idle.
    void Efface();

    QTimer *Timer2 = nullptr;

private:
    AppContext &m_ctx;
    MapRoutines &m_routines;
    MapScene &m_scene;
    std::function<qint64()> m_clock;
};
