#include "startup.h"

#include "appcontext.h"
#include "frmsplash.h"
#include "map/frmmain.h"
#include "serial/pttsafety.h"
#include "windowplacement.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace {

// The working folder as the title bar shows it, the home folder as "~".
QString shownFolder(const QString &path)
{
    const QString home = QDir::homePath();
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + path.mid(home.size());
    return QDir::toNativeSeparators(path);
}

} // namespace

int Main(QApplication &app)
{
    AppContext ctx;
    installTransmitterSafety(ctx.transmitter.get());
    auto *splash = new frmSplash;
    splash->show();
    std::unique_ptr<frmMain> main;
    // A timer, not a wait: the splash keeps painting and the process sleeps.
    QTimer::singleShot(SplashMilliseconds, &app, [&] {
        main = std::make_unique<frmMain>(ctx);
        main->Load();
        main->setWindowTitle(QStringLiteral("Pontavel - ") + shownFolder(QDir::currentPath()));
        WindowPlacement::restore(main.get(), QSize(1280, 860));
        splash->close();
        splash->deleteLater();
        main->show();
        QTimer::singleShot(0, main.get(), [&] { main->showLoadMessages(); });
    });
    const int rc = app.exec();
    if (main)
        WindowPlacement::save(main.get());
    main.reset();
    return rc;
}
