#include "routestate.h"

#include "convert.h"
#include "routes.h"
#include "sharedstate.h"

RouteState::RouteState(SharedState &state, QObject *parent) : QObject(parent), m_state(state)
{
    m_elapsed.start();
    ensureRepeaters(30);
}

void RouteState::setRepeaters(const QVector<Repeater> &repeaters)
{
    m_repeaters = repeaters;
    ensureRepeaters(int(repeaters.size()));
}

void RouteState::ensureRepeaters(int numero)
{
    const int size = std::max(numero, 30) + 1;
    if (RouteAffichee.size() >= size)
        return;
    DebutRoute.resize(size, 0);
    RouteAffichee.resize(size, false);
    CheminRelai.resize(size);
}

void RouteState::AfficheRoute(const Command &command)
{
    const int clicked = m_state.IndexBouton;
    ensureRepeaters(std::max(clicked, 0));
    const QString liste = command.relais;
    const QString nouveau = command.chemin;

    ActiveRelais(liste);

    if (liste.isEmpty() && clicked >= 0) {
        if (!CheminRelai[clicked].isEmpty())
            RetireChemin(CheminRelai[clicked]);
        CheminRelai[clicked] = nouveau;
    }

    QString reste = nouveau;
    for (QChar c : liste) {
        const int n = Routes::lookupKey(m_repeaters, c, 1);
        ensureRepeaters(n);
        emit activeChanged(n, true);
        // A key that matches no repeater falls back on repeater 1, which
        // ActiveRelais did not start: give it a start time of its own rather
        // than whatever an earlier route left behind.
        if (!RouteAffichee[n])
            DebutRoute[n] = clock();
        RouteAffichee[n] = true;
        if (!CheminRelai[n].isEmpty())
            RetireChemin(CheminRelai[n]);
        QString seg;
        while (!reste.isEmpty()) {
            const QChar first = reste.at(0);
            reste.remove(0, 1);
            if (first == QLatin1Char('-'))
                break;
            seg += first;
        }
        CheminRelai[n] = seg;
    }

    CheminsActifs = Routes::appendRoute(CheminsActifs, nouveau);
    emit routesChanged(CheminsActifs);

    if (!liste.isEmpty())
        emit labelsChanged(clicked, command.tx, command.rx, m_state.CouleurActif());
    else
        EffaceChemin(clicked);
}

void RouteState::RetireChemin(const QString &route)
{
    // Whole segments only: matching on the first two keys alone could cut a
    // piece out of another repeater's route.
    CheminsActifs = Routes::removeRoute(CheminsActifs, route);
}

void RouteState::RestaureLibelles()
{
    emit labelsChanged(m_state.IndexBouton, m_state.NomCourant, m_state.FreqCourante, m_state.CouleurRepos());
}

void RouteState::ActiveRelais(const QString &touches)
{
    const qint64 now = clock();
    for (QChar key : touches) {
        for (const Repeater &r : m_repeaters) {
            if (r.dtmf.size() != 1 || r.dtmf.at(0) != key)
                continue;
            ensureRepeaters(r.numero);
            emit activeChanged(r.numero, true);
            RouteAffichee[r.numero] = true;
            DebutRoute[r.numero] = now;
        }
    }
}

void RouteState::EffaceChemin(int i)
{
    if (i < 0)
        return;
    ensureRepeaters(i);
    if (!CheminsActifs.isEmpty()) {
        CheminsActifs = Routes::removeRoute(CheminsActifs, CheminRelai[i]);
        CheminRelai[i].clear();
        emit routesChanged(CheminsActifs);
    }
    emit activeChanged(i, false);
    emit labelsRestored(i, m_state.CouleurRepos());
    RouteAffichee[i] = false;
}

void RouteState::Efface()
{
    CheminsActifs.clear();
    for (const Repeater &r : m_repeaters) {
        emit activeChanged(r.numero, false);
        emit labelsRestored(r.numero, m_state.CouleurRepos());
    }
    RouteAffichee.fill(false);
    // The per-repeater routes go too: a stale entry would later cut a route
    // of the same keys that another repeater shows.
    for (QString &c : CheminRelai)
        c.clear();
    emit routesChanged(CheminsActifs);
    tick();
}

void RouteState::repeaterDeleted(int numero)
{
    ensureRepeaters(numero);
    // The deleted repeater's route ends; its segment leaves CheminsActifs.
    if (RouteAffichee[numero] || !CheminRelai[numero].isEmpty())
        EffaceChemin(numero);
    emit countdownChanged(numero, QString(), QColor());

    DebutRoute.remove(numero);
    DebutRoute.append(0);
    RouteAffichee.remove(numero);
    RouteAffichee.append(false);
    CheminRelai.remove(numero);
    CheminRelai.append(QString());
    if (m_state.IndexBouton == numero)
        m_state.IndexBouton = 0;
    else if (m_state.IndexBouton > numero)
        --m_state.IndexBouton;
}

qint64 RouteState::remaining(int dureeMinutes, qint64 debut, qint64 now)
{
    const qint64 elapsedMs = now - debut;
    // Whole seconds elapsed, rounded down (also for a start a little ahead of now).
    const qint64 elapsed = elapsedMs >= 0 ? elapsedMs / 1000 : -((-elapsedMs + 999) / 1000);
    return qint64(dureeMinutes) * 60 - elapsed;
}

QString RouteState::format(qint64 reste)
{
    const qint64 minutes = reste / 60;
    const qint64 seconds = reste - 60 * minutes;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
}

QColor RouteState::colour(qint64 reste)
{
    if (reste > 180)
        return colorFromBgr(0x0000FF00);
    if (reste < 180)
        return colorFromBgr(0x000000FF);
    return QColor();
}

void RouteState::tick()
{
    const qint64 now = clock();
    for (int i = 1; i < RouteAffichee.size(); ++i) {
        if (!RouteAffichee[i]) {
            emit countdownChanged(i, QString(), QColor());
            continue;
        }
        // DureeAffichage is read at every step, so a new duration applies to
        // the routes already counting.
        const qint64 reste = remaining(m_state.DureeAffichage(), DebutRoute.value(i), now);
        if (reste <= 0) {
            // A step that misses the exact zero (a busy second) must end the route all the same.
            FinAffichage(i);
            emit countdownChanged(i, QString(), QColor());
            continue;
        }
        emit countdownChanged(i, format(reste), colour(reste));
    }
}
