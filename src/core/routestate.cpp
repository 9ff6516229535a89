#include "routestate.h"

#include "convert.h"
#include "routes.h"
#include "sharedstate.h"

RouteState::RouteState(SharedState &state, QObject *parent) : QObject(parent), m_state(state)
{
    m_elapsed.start();
    ensureRepeaters(30);
}

void RouteState::setColours(const Settings &row, std::optional<ColourChoice> chosen)
{
    m_couleurActif = row.activeColour;
    m_couleurRepos = row.idleColour;
    if (chosen == ColourChoice::Active)
        emit labelColourChanged(1, m_couleurActif);
    if (chosen == ColourChoice::Idle) {
        for (Look &l : m_looks)
            l.colour = m_couleurRepos;
        emit labelColourChanged(0, m_couleurRepos);
    }
}

const RouteState::Look &RouteState::look(int numero) const
{
    static const Look none;
    return numero >= 1 && numero < m_looks.size() ? m_looks[numero] : none;
}

RouteState::Look *RouteState::lookOf(int numero)
{
    return numero >= 1 && numero < m_looks.size() ? &m_looks[numero] : nullptr;
}

void RouteState::setRepeaters(const QVector<Repeater> &repeaters)
{
    // Entries past the old list had no repeater on the map: nothing of theirs is kept.
    const qsizetype known = m_looks.size();
    m_repeaters = repeaters;
    ensureRepeaters(int(repeaters.size()));
    m_looks.resize(repeaters.size() + 1);
    for (int i = 1; i <= repeaters.size(); ++i) {
        if (i < known && RouteAffichee[i])
            continue;
        const Repeater &r = repeaters[i - 1];
        m_looks[i] = Look{false, r.nom, r.freq, m_couleurRepos, {}, {}};
    }
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

void RouteState::setActive(int numero, bool active)
{
    if (Look *l = lookOf(numero))
        l->active = active;
    emit activeChanged(numero, active);
}

void RouteState::setLabels(int numero, const QString &first, const QString &second, quint32 colour)
{
    if (Look *l = lookOf(numero)) {
        l->first = first;
        l->second = second;
        l->colour = colour;
    }
    emit labelsChanged(numero, first, second, colour);
}

void RouteState::restoreLabels(int numero, quint32 colour)
{
    if (Look *l = lookOf(numero); l && numero <= m_repeaters.size()) {
        l->first = m_repeaters[numero - 1].nom;
        l->second = m_repeaters[numero - 1].freq;
        l->colour = colour;
    }
    emit labelsRestored(numero, colour);
}

void RouteState::setCountdown(int numero, const QString &text, const QColor &back)
{
    if (Look *l = lookOf(numero)) {
        l->countdown = text;
        if (back.isValid())
            l->countdownBack = back;
    }
    emit countdownChanged(numero, text, back);
}

void RouteState::AfficheRoute(int clicked, const Command &command)
{
    ensureRepeaters(std::max(clicked, 0));
    const QString keys = command.relais;
    const QString route = command.chemin;

    ActiveRelais(keys);

    if (keys.isEmpty() && clicked >= 0) {
        if (!CheminRelai[clicked].isEmpty())
            RetireChemin(CheminRelai[clicked]);
        CheminRelai[clicked] = route;
    }

    QString rest = route;
    for (QChar c : keys) {
        const int n = Routes::lookupKey(m_repeaters, c, 1);
        ensureRepeaters(n);
        setActive(n, true);
        // A key that matches no repeater falls back on repeater 1, which
        // ActiveRelais did not start: give it a start time of its own rather
        // than whatever an earlier route left behind.
        if (!RouteAffichee[n])
            DebutRoute[n] = clock();
        RouteAffichee[n] = true;
        if (!CheminRelai[n].isEmpty())
            RetireChemin(CheminRelai[n]);
        QString segment;
        while (!rest.isEmpty()) {
            const QChar first = rest.at(0);
            rest.remove(0, 1);
            if (first == QLatin1Char('-'))
                break;
            segment += first;
        }
        CheminRelai[n] = segment;
    }

    CheminsActifs = Routes::appendRoute(CheminsActifs, route);
    emit routesChanged(CheminsActifs);

    if (!keys.isEmpty())
        setLabels(clicked, command.tx, command.rx, m_couleurActif);
    else
        EffaceChemin(clicked);
}

void RouteState::RetireChemin(const QString &route)
{
    // Whole segments only: matching on the first two keys alone could cut a
    // piece out of another repeater's route.
    CheminsActifs = Routes::removeRoute(CheminsActifs, route);
}

void RouteState::RestaureLibelles(int numero, const QString &name, const QString &frequency)
{
    setLabels(numero, name, frequency, m_couleurRepos);
}

void RouteState::ActiveRelais(const QString &touches)
{
    const qint64 now = clock();
    for (QChar key : touches) {
        for (const Repeater &r : std::as_const(m_repeaters)) {
            if (r.dtmf.size() != 1 || r.dtmf.at(0) != key)
                continue;
            ensureRepeaters(r.numero);
            setActive(r.numero, true);
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
    setActive(i, false);
    restoreLabels(i, m_couleurRepos);
    RouteAffichee[i] = false;
}

void RouteState::clearRoutes()
{
    CheminsActifs.clear();
    for (const Repeater &r : std::as_const(m_repeaters)) {
        setActive(r.numero, false);
        restoreLabels(r.numero, m_couleurRepos);
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
    setCountdown(numero, QString(), QColor());

    DebutRoute.remove(numero);
    DebutRoute.append(0);
    RouteAffichee.remove(numero);
    RouteAffichee.append(false);
    CheminRelai.remove(numero);
    CheminRelai.append(QString());
    if (numero >= 1 && numero < m_looks.size())
        m_looks.remove(numero);
    const int clicked = m_state.IndexBouton();
    m_state.chooseRepeater(clicked == numero ? 0 : clicked > numero ? clicked - 1 : clicked);
}

qint64 RouteState::remaining(int minutes, qint64 start, qint64 now)
{
    const qint64 elapsedMs = now - start;
    // Whole seconds elapsed, rounded down (also for a start a little ahead of now).
    const qint64 elapsed = elapsedMs >= 0 ? elapsedMs / 1000 : -((-elapsedMs + 999) / 1000);
    return qint64(minutes) * 60 - elapsed;
}

QString RouteState::format(qint64 left)
{
    const qint64 minutes = left / 60;
    const qint64 seconds = left - 60 * minutes;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
}

QColor RouteState::colour(qint64 left)
{
    if (left > 180)
        return colorFromBgr(0x0000FF00);
    if (left < 180)
        return colorFromBgr(0x000000FF);
    return QColor();
}

void RouteState::tick()
{
    const qint64 now = clock();
    for (int i = 1; i < RouteAffichee.size(); ++i) {
        if (!RouteAffichee[i]) {
            setCountdown(i, QString(), QColor());
            continue;
        }
        const qint64 left = remaining(DureeAffichage, DebutRoute.value(i), now);
        if (left <= 0) {
            // A step that misses the exact zero (a busy second) must end the route all the same.
            FinAffichage(i);
            setCountdown(i, QString(), QColor());
            continue;
        }
        setCountdown(i, format(left), colour(left));
    }
}
