// pontavel-import ANCIENNE.mdb NOUVELLE.db: brings a network over from the old
// program's Access file into a new Pontavel base, for scripts. Never replaces
// an existing base; exits with 0 only when the new base was written.

#include "store/mdbimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    const char *usage = "Usage : pontavel-import ANCIENNE.mdb NOUVELLE.db\n"
                        "Importe dans NOUVELLE.db (qui ne doit pas exister) le réseau de relais d'une base\n"
                        "relai.mdb de l'ancien programme, et liste les lignes hors des règles.\n"
                        "Code de sortie : 0 si la base a été écrite, 1 sinon, 2 si les arguments sont incorrects.\n"
                        "(man pontavel-import pour le détail)\n";
    if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        out << usage;
        return 0;
    }
    if (args.size() != 2 || args[0].startsWith(u'-')) {
        err << usage;
        return 2;
    }
    const MdbImport::Result res = MdbImport::importFile(args[0], args[1], false);
    for (const QString &line : res.report)
        out << line << '\n';
    out.flush();
    if (!res.written) {
        err << "pontavel-import : " << res.error << Qt::endl;
        return 1;
    }
    err << "pontavel-import : " << QDir::toNativeSeparators(args[1]) << " écrite : " << res.counts() << "."
        << Qt::endl;
    return 0;
}
