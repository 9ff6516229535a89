#include "core/startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    // Without a display the program still runs, off screen, rather than abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "pontavel : aucun écran disponible, affichage hors écran.\n");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pontavel"));
    QApplication::setApplicationName(QStringLiteral("Pontavel"));
    QApplication::setApplicationVersion(QStringLiteral(PONTAVEL_VERSION));
    return Main(app);
}
