#include "frenchqt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace FrenchQt {

bool install(QCoreApplication &app)
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool base = false;
    for (const char *catalogue : {"qtbase_fr", "qtmultimedia_fr"}) {
        auto *t = new QTranslator(&app);
        if (t->load(QLatin1String(catalogue), dir) && QCoreApplication::installTranslator(t)) {
            base = base || qstrcmp(catalogue, "qtbase_fr") == 0;
            continue;
        }
        delete t;
    }
    return base;
}

} // namespace FrenchQt
