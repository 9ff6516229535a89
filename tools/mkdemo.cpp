// pontavel-demo <dossier>: makes a working folder that Pontavel can open at
// once: the map plan.bmp, relai.db with a sample network, and the tone files.

#include "app/demomap.h"
#include "app/demoworkspace.h"

#include "app/frenchqt.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    // The tool never opens a window; drawing text needs a GUI application all the same.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("pontavel-demo"));
    QGuiApplication::setApplicationVersion(QStringLiteral(PONTAVEL_VERSION));
    FrenchQt::install(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Crée dans le dossier la carte plan.bmp, la base relai.db d'un réseau "
        "de démonstration et les fichiers de tonalités Wav et Wav2."));
    // Qt's own help option reads in English even with its French catalogue.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Afficher cette aide."));
    parser.addOption(help);
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("dossier"),
                                 QStringLiteral("Dossier de travail à créer ou à compléter."));
    parser.process(app);  // --version and unknown options end here
    if (parser.isSet(help))
        parser.showHelp(0);
    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << "pontavel-demo : indiquez un dossier, et un seul.\n"
            << "usage : pontavel-demo <dossier>   (pontavel-demo --help pour l'aide)" << Qt::endl;
        return 1;
    }

    const QString folder = parser.positionalArguments().constFirst();
    DemoWorkspace::Report r;
    QString error;
    if (!DemoWorkspace::create(folder, &r, &error)) {
        err << "pontavel-demo : " << error << Qt::endl;
        return 1;
    }

    QTextStream out(stdout);
    out << "Espace de démonstration créé dans " << QDir::toNativeSeparators(QDir(folder).absolutePath()) << " :\n"
        << (r.mapKept ? QStringLiteral("  plan.bmp : carte existante conservée (le réseau est placé pour la carte "
                                       "de démonstration de %1 x %2 pixels)\n")
                      : QStringLiteral("  plan.bmp : carte de %1 x %2 pixels\n"))
               .arg(DemoMap::Width)
               .arg(DemoMap::Height)
        << "  relai.db : " << r.repeaters << " relais, " << r.beams << " faisceaux, " << r.commands << " commandes\n"
        << "  Wav, Wav2 : " << r.tonesMade
        << (r.tonesMade == 1 ? " fichier de tonalité DTMF créé" : " fichiers de tonalités DTMF créés");
    if (r.tonesKept)
        out << ", " << r.tonesKept << (r.tonesKept == 1 ? " fichier existant conservé" : " fichiers existants conservés");
    out << "\n";
    return 0;
}
