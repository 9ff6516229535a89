#include "startup.h"

#include "appcontext.h"
#include "frmsplash.h"
#include "map/frmmain.h"
#include "serial/pttsafety.h"

#include <QApplication>
#include <QTimer>

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
        splash->close();
        splash->deleteLater();
        main->show();
        QTimer::singleShot(0, main.get(), [&] { main->showLoadMessages(); });
    });
    const int rc = app.exec();
    main.reset();
    return rc;
}
