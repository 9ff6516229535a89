#pragma once

#include "repeater.h"

#include <QString>
#include <QVector>

// The string logic of beams and routes, free of any window.
namespace Routes {

// Repeater lookup by key: the last row whose N°DTMF is `key` wins; when none
// is, the result is `fallback`.
int lookupKey(const QVector<Repeater> &list, QChar key, int fallback);

// A line from the point of one repeater to the point of another, by number.
// Number 0 stands for no repeater (a key that matched nothing before any did).
struct Segment
{
    int from = 0;
    int to = 0;
    bool operator==(const Segment &o) const { return from == o.from && to == o.to; }
};

// Beams of every repeater's Chemin, chained key after key. A first key that
// matches no repeater starts at repeater 1; a later one ends at the repeater of
// the last later key that matched (kept across rows), or at 0 when none has.
QVector<Segment> beams(const QVector<Repeater> &repeaters);

// Route lines of a route string: segments joined by "-", blanks before a
// segment ignored, same lookup rules as the beams within one call.
QVector<Segment> routes(const QString &chemins, const QVector<Repeater> &repeaters);

// Removes `route` from the joined route string as whole segments: the first
// place where it stands between separators (or the ends), with one of its "-".
// A route that is not found leaves the string as it is.
QString removeRoute(const QString &chemins, const QString &route);

// Appends a route at the end of the joined string.
QString appendRoute(const QString &chemins, const QString &route);

} // namespace Routes
