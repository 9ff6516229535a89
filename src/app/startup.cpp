#include "startup.h"

#include "appcontext.h"
#include "frmsplash.h"
#include "map/frmmain.h"
#include "ptt/pttsafety.h"
#include "ui/windowplacement.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

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

// One program per working folder: two would key the same transmitter and
// write the same relai.db. A lock left by a run that died is taken over.
bool lockWorkingFolder(QLockFile &lock)
{
    lock.setStaleLockTime(0);   // stale only when its process is gone, never by age
    if (lock.tryLock(0))
        return true;
    if (lock.error() != QLockFile::LockFailedError) {
        // A read-only folder: nothing will be written there anyway.
        std::fprintf(stderr, "pontavel : verrou du dossier impossible à poser, on continue.\n");
        return true;
    }
    qint64 pid = 0;
    QString host, appName;
    lock.getLockInfo(&pid, &host, &appName);
    const QString text = QStringLiteral("Pontavel est déjà lancé dans le dossier %1 (processus %2) : "
                                        "un seul programme à la fois peut utiliser ce dossier et "
                                        "son émetteur. Revenez à la fenêtre déjà ouverte.")
                             .arg(QDir::toNativeSeparators(QDir::currentPath()))
                             .arg(pid);
    std::fprintf(stderr, "pontavel : %s\n", qPrintable(text));
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QMessageBox::warning(nullptr, QStringLiteral("Pontavel"), text);
    return false;
}

} // namespace

int Main(QApplication &app)
{
    QLockFile lock(QDir::current().filePath(QStringLiteral("pontavel.lock")));
    if (!lockWorkingFolder(lock))
        return 1;
    AppContext ctx;
    // A stop that is not the program's own quit comes from a signal: the journal says so.
    bool quitting = false;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&quitting] { quitting = true; });
    installTransmitterSafety(ctx.transmitter.get(), [&ctx, &quitting] {
        if (!quitting)
            ctx.recorder->stoppedBySignal();
        ctx.transmitter->stop();
    });
    auto *splash = new frmSplash;
    splash->show();
    std::unique_ptr<frmMain> main;
    // A timer, not a wait: the splash keeps painting and the process sleeps.
    QTimer::singleShot(SplashMilliseconds, &app, [&] {
        // The splash stays on top of everything: it goes before the load, which
        // may ask whether to import relai.mdb and report what was imported.
        splash->close();
        splash->deleteLater();
        main = ctx.makeMainWindow();
        main->setWindowTitle(QStringLiteral("Pontavel - ") + shownFolder(QDir::currentPath()));
        main->Load();
        ctx.openJournal();
        WindowPlacement::restore(main.get(), QSize(1280, 860));
        main->show();
        QTimer::singleShot(0, main.get(), [&] { main->showLoadMessages(); });
    });
    const int rc = app.exec();
    if (main)
        WindowPlacement::save(main.get());
    main.reset();
    return rc;
}
