#include "countdowns.h"

#include "core/appcontext.h"
#include "core/convert.h"
#include "map/maproutines.h"
#include "map/mapscene.h"

#include <QTimer>

Countdowns::Countdowns(AppContext &ctx, MapRoutines &routines, MapScene &scene, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_routines(routines), m_scene(scene)
{
    m_clock = [this] { return m_ctx.state.clock(); };
    Timer2 = new QTimer(this);
    Timer2->setInterval(100);
    connect(Timer2, &QTimer::timeout, this, &Countdowns::tick);
    Timer2->start();
}

qint64 Countdowns::remaining(int dureeMinutes, qint64 debut, qint64 now)
{
    const qint64 elapsedMs = now - debut;
    // Whole seconds elapsed, rounded down (also for a start a little ahead of now).
    const qint64 elapsed = elapsedMs >= 0 ? elapsedMs / 1000 : -((-elapsedMs + 999) / 1000);
    return qint64(dureeMinutes) * 60 - elapsed;
}

QString Countdowns::format(qint64 reste)
{
    const qint64 minutes = reste / 60;
    const qint64 seconds = reste - 60 * minutes;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
}

QColor Countdowns::colour(qint64 reste)
{
    if (reste > 180)
        return colorFromBgr(0x0000FF00);
    if (reste < 180)
        return colorFromBgr(0x000000FF);
    return QColor();
}

void Countdowns::tick()
{
    SharedState &s = m_ctx.state;
    const qint64 now = m_clock();
    for (int i = 1; i < s.RouteAffichee.size(); ++i) {
        if (!s.RouteAffichee[i]) {
            m_scene.setCountdown(i, QString(), QColor());
            continue;
        }
        // DureeAffichage is read at every step, so a new duration applies to
        // the routes already counting.
        const qint64 reste = remaining(s.DureeAffichage(), s.DebutRoute.value(i), now);
        if (reste <= 0) {
            // A step that misses the exact zero (a busy second) must end the route all the same.
            m_routines.FinAffichage(i);
            m_scene.setCountdown(i, QString(), QColor());
            continue;
        }
        m_scene.setCountdown(i, format(reste), colour(reste));
    }
}

void Countdowns::Efface()
{
    SharedState &s = m_ctx.state;
    s.CheminsActifs.clear();
    for (const Repeater &r : m_scene.repeaters()) {
        m_scene.setActive(r.numero, false);
        m_scene.restoreLabels(r.numero, s.CouleurRepos());
    }
    s.RouteAffichee.fill(false);
    // The per-repeater routes go too: a stale entry would later cut a route
    // of the same keys that another repeater shows.
    for (QString &c : s.CheminRelai)
        c.clear();
    m_routines.TraceChemins(s.CheminsActifs);
    tick();
}
