// pontavel-journal [--dossier DOSSIER] [--du AAAA-MM-JJ] [--au AAAA-MM-JJ]:
// prints the transmission journal (journal.db) of a working folder as CSV,
// the same as the journal window's export. Only reads the journal.

#include "store/journalexport.h"
#include "store/journalstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

const char *const Usage =
    "Usage : pontavel-journal [--dossier DOSSIER] [--du AAAA-MM-JJ] [--au AAAA-MM-JJ]\n"
    "Écrit sur la sortie standard le journal de trafic (journal.db) du dossier de travail,\n"
    "au format CSV (UTF-8, une ligne d'en-tête, heures locales avec leur décalage UTC),\n"
    "les émissions les plus récentes en premier.\n"
    "\n"
    "  --dossier DOSSIER   dossier de travail (par défaut : le dossier courant)\n"
    "  --du AAAA-MM-JJ     seulement les émissions commencées ce jour ou après\n"
    "  --au AAAA-MM-JJ     seulement les émissions commencées ce jour ou avant\n"
    "  -h, --help          affiche cette aide\n"
    "\n"
    "Code de sortie : 0 si le journal a été écrit, 1 s'il n'y a pas de journal ou\n"
    "qu'il ne peut pas être lu, 2 si les arguments sont incorrects.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    QString folder = QDir::currentPath();
    JournalFilter filter;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(Usage, stdout);
            return 0;
        }
        const bool takesValue = a == QLatin1String("--dossier") || a == QLatin1String("--du") || a == QLatin1String("--au");
        if (!takesValue || i + 1 >= args.size()) {
            err << (takesValue ? QStringLiteral("pontavel-journal : il manque la valeur de %1.\n").arg(a)
                               : QStringLiteral("pontavel-journal : argument inconnu « %1 ».\n").arg(a))
                << Usage;
            return 2;
        }
        const QString value = args[++i];
        if (a == QLatin1String("--dossier")) {
            folder = value;
            continue;
        }
        const QDate d = QDate::fromString(value, Qt::ISODate);
        if (!d.isValid()) {
            err << QStringLiteral("pontavel-journal : date incorrecte « %1 » (attendu AAAA-MM-JJ, par exemple 2026-10-25).\n")
                       .arg(value);
            return 2;
        }
        (a == QLatin1String("--du") ? filter.from : filter.to) = d;
    }

    const QString path = QDir(folder).filePath(JournalStore::fileName());
    if (!QFileInfo(path).isFile()) {
        err << QStringLiteral("pontavel-journal : aucun journal de trafic dans %1 (pas de fichier %2).\n")
                   .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()), JournalStore::fileName());
        return 1;
    }
    JournalStore store;
    if (!store.open(path, JournalStore::Mode::ReadOnly)) {
        err << "pontavel-journal : " << store.lastError() << '\n';
        return 1;
    }
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) {
        err << "pontavel-journal : la sortie standard ne peut pas être écrite.\n";
        return 1;
    }
    QString error;
    if (!JournalExport::writeCsv(store, filter, out, &error)) {
        err << "pontavel-journal : " << error << '\n';
        return 1;
    }
    out.flush();
    return 0;
}
