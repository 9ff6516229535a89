#include "frenchqt.h"
#include "startup.h"
#include "demoworkspace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool asksHelpOrVersion(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *o : {"-h", "--help", "-v", "--version"})
            if (std::strcmp(argv[i], o) == 0)
                return true;
    return false;
}

bool hasData(const QDir &dir)
{
    return QFileInfo::exists(dir.filePath(QStringLiteral("relai.db")))
           || QFileInfo::exists(dir.filePath(QStringLiteral("relai.mdb")));
}

// Started from the desktop menu the current folder is the home folder: the
// network then lives in the per-user data folder, never loose in the home
// folder, and the first start there gets the demo network. Anywhere else the
// current folder is the working folder. False when the data folder cannot be
// made.
bool chooseWorkingFolder()
{
    const QDir here = QDir::current();
    if (hasData(here) || here != QDir::home())
        return true;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "pontavel : impossible de créer le dossier de données %s.\n", qPrintable(folder));
        return false;
    }
    if (!hasData(QDir(folder))) {
        std::fprintf(stdout, "pontavel : premier démarrage, création du réseau de démonstration dans %s\n",
                     qPrintable(folder));
        DemoWorkspace::Report report;
        QString error;
        // Without the demo the program still starts there, on an empty network.
        if (!DemoWorkspace::create(folder, &report, &error))
            std::fprintf(stderr, "pontavel : réseau de démonstration non créé : %s\n", qPrintable(error));
    }
    return QDir::setCurrent(folder);
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display the program still runs, off screen, rather than abort;
    // --help and --version need no display at all.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        if (asksHelpOrVersion(argc, argv)) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        } else if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            std::fprintf(stderr, "pontavel : aucun écran disponible, affichage hors écran.\n");
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    // The desktop's own file and colour dialogs speak the desktop's language;
    // Qt's speak French with the program.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pontavel"));
    QApplication::setApplicationName(QStringLiteral("Pontavel"));
    QApplication::setApplicationVersion(QStringLiteral(PONTAVEL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pontavel.Pontavel"));
    if (!FrenchQt::install(app))
        std::fprintf(stderr, "pontavel : traductions françaises de Qt introuvables (paquet qt6-translations-l10n) ; "
                             "les boutons standard resteront en anglais.\n");

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Télécommande d'un réseau de relais de télévision d'amateur.\n"
        "Travaille dans le dossier courant (relai.db, plan.bmp, Wav, Wav2) ; lancé depuis le dossier "
        "personnel sans données, dans le dossier de données de l'utilisateur."));
    // Qt's own help option reads in English even with its French catalogue.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Afficher cette aide."));
    parser.addOption(help);
    parser.addVersionOption();
    parser.process(app);  // --version and unknown options end here
    if (parser.isSet(help))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "pontavel : argument inattendu : %s\n(pontavel --help pour l'aide)\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 1;
    }
    if (!chooseWorkingFolder())
        return 1;
    return Main(app);
}
