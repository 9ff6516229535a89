#include "routes.h"

namespace Routes {

int lookupKey(const QVector<Repeater> &list, QChar key, int fallback)
{
    int result = fallback;
    for (const Repeater &r : list)
        if (r.dtmf.size() == 1 && r.dtmf.at(0) == key)
            result = r.numero;
    return result;
}

QVector<Segment> beams(const QVector<Repeater> &repeaters)
{
    QVector<Segment> out;
    int suivant = 0;
    for (const Repeater &r : repeaters) {
        const QString &c = r.chemin;
        if (c.size() < 2)
            continue;
        int depart = lookupKey(repeaters, c.at(0), 1);
        for (qsizetype k = 1; k < c.size(); ++k) {
            suivant = lookupKey(repeaters, c.at(k), suivant);
            out.append({depart, suivant});
            depart = suivant;
        }
    }
    return out;
}

QVector<Segment> routes(const QString &chemins, const QVector<Repeater> &repeaters)
{
    QVector<Segment> out;
    int suivant = 0;
    for (const QString &raw : chemins.split(QLatin1Char('-'))) {
        qsizetype start = 0;
        while (start < raw.size() && raw.at(start) == QLatin1Char(' '))
            ++start;
        const QString seg = raw.mid(start);
        if (seg.size() < 2)
            continue;
        int depart = lookupKey(repeaters, seg.at(0), 1);
        for (qsizetype k = 1; k < seg.size(); ++k) {
            suivant = lookupKey(repeaters, seg.at(k), suivant);
            out.append({depart, suivant});
            depart = suivant;
        }
    }
    return out;
}

QString removeRoute(const QString &chemins, const QString &route)
{
    if (route.isEmpty())
        return chemins;
    const qsizetype n = route.size();
    qsizetype p = chemins.indexOf(route);
    while (p >= 0) {
        const bool startsSegment = p == 0 || chemins.at(p - 1) == QLatin1Char('-');
        const bool endsSegment = p + n == chemins.size() || chemins.at(p + n) == QLatin1Char('-');
        if (startsSegment && endsSegment) {
            if (p + n < chemins.size()) // take the "-" that follows
                return chemins.left(p) + chemins.mid(p + n + 1);
            if (p > 0) // last one: take the "-" before it
                return chemins.left(p - 1);
            return QString();
        }
        p = chemins.indexOf(route, p + 1);
    }
    return chemins;
}

QString appendRoute(const QString &chemins, const QString &route)
{
    const QString trimmed = chemins.trimmed();
    if (trimmed.isEmpty())
        return route;
    if (route.isEmpty())
        return trimmed;
    return trimmed + QLatin1Char('-') + route;
}

} // namespace Routes
