// Route and beam strings: line 1 holds the repeaters' keys, line 2 a joined
// route string, line 3 a route to remove, the rest each repeater's Chemin.
#include "core/routes.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size))
                                  .split(QLatin1Char('\n'));
    const QString keys = lines.value(0).left(30);
    QVector<Repeater> repeaters;
    for (int i = 0; i < keys.size(); ++i) {
        Repeater r;
        r.numero = i + 1;
        r.dtmf = keys.at(i);
        r.chemin = lines.value(3 + i);
        repeaters.append(r);
    }
    Routes::beams(repeaters);
    const QString chemins = lines.value(1);
    Routes::routes(chemins, repeaters);
    const QString removed = Routes::removeRoute(chemins, lines.value(2));
    Routes::routes(Routes::appendRoute(removed, lines.value(2)), repeaters);
    return 0;
}
