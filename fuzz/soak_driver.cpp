// Soak: <count> commands sent through the real store, send machine and
// transmitter (port Com1, tone files played to the default sound output),
// every question answered Yes. Prints the resident memory and open
// descriptors after a warm-up and at the end, checks the RTS log of the shim
// (PONTAVEL_RTS_LOG) and the file's integrity; exits 1 on any failure.
//   soak_driver <count>     run in an empty folder
#include "audio/dtmfsynth.h"
#include "audio/transmitter.h"
#include "command/sendmachine.h"
#include "store/store.h"
#include "store/configuration.h"
#include "ptt/serialptt.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {
qint64 rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int openFds()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Pontavel"));
    QCoreApplication::setApplicationName(QStringLiteral("Pontavel"));
    const int count = app.arguments().value(1).toInt();
    const int warmUp = std::min(50, count / 2);

    DtmfSynth::ToneShape shape;
    shape.toneMs = 40;
    shape.silenceMs = 0;
    QDir().mkpath(QStringLiteral("Wav"));
    Store store;
    QString error;
    Command command;
    command.tx = QStringLiteral("Ligne 1");
    command.rx = QStringLiteral("Ligne 2");
    command.wav[0] = QStringLiteral("1");
    if (!DtmfSynth::writeTone(QStringLiteral("Wav/f1.wav"), '1', shape, &error)
        || store.open(QStringLiteral("relai.db")) != Store::OpenResult::Created
        || !store.appendNetwork({Repeater{0, "Alpha", "1", "10.450", 1500, 900, 1500, 1400, "1"}}, {{command}},
                                &error)) {
        std::printf("soak: set-up failed: %s\n", qPrintable(error));
        return 1;
    }

    SerialPtt ptt;
    ptt.configure(1, Configuration::boundDevice(1), QStringLiteral("9600,N,8,1"));
    Transmitter tx(&ptt);
    tx.setEmissionSettings(Configuration::storedEmission());
    SendMachine machine(&tx);
    int done = 0;
    qint64 rssBase = 0;
    int fdBase = 0;
    QElapsedTimer clock;
    clock.start();
    auto next = [&] {
        if (done == warmUp) {
            rssBase = rssKb();
            fdBase = openFds();
        }
        if (done == count) {
            app.exit(0);
            return;
        }
        // Read as the command window does, each time.
        const QVector<Command> commands = store.commands(1, &error);
        if (commands.isEmpty() || !machine.start(commands[0]))
            app.exit(2);
    };
    QObject::connect(&machine, &SendMachine::askConfirmation, [&](int, const QString &playError) {
        if (!playError.isEmpty())
            std::printf("soak: command %d: %s\n", done + 1, qPrintable(playError));
        machine.answer(SendMachine::Answer::Yes);
    });
    QObject::connect(&machine, &SendMachine::completed, [&] {
        ++done;
        QMetaObject::invokeMethod(&app, next, Qt::QueuedConnection);
    });
    QObject::connect(&machine, &SendMachine::failed, [&](const QString &why) {
        std::printf("soak: command %d failed: %s\n", done + 1, qPrintable(why));
        app.exit(3);
    });
    QMetaObject::invokeMethod(&app, next, Qt::QueuedConnection);
    const int rc = app.exec();
    const qint64 rssEnd = rssKb();
    const int fdEnd = openFds();

    QFile log(qEnvironmentVariable("PONTAVEL_RTS_LOG"));
    int rises = 0, falls = 0;
    QByteArray last;
    if (log.open(QIODevice::ReadOnly))
        for (const QByteArray &line : log.readAll().split('\n')) {
            // "<time> RTS 1 /dev/pts/N", or "<time> CLOSE RTS 0" when the port closes.
            QList<QByteArray> parts = line.split(' ');
            if (parts.value(1) == "CLOSE")
                parts.removeAt(1);
            if (parts.value(1) != "RTS")
                continue;
            const QByteArray what = "RTS " + parts.value(2);
            rises += what == "RTS 1";
            falls += what == "RTS 0";
            last = what;
        }
    QSqlQuery check(store.database());
    const QString integrity = check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next()
                                  ? check.value(0).toString()
                                  : check.lastError().text();
    std::printf("soak: %d commands in %.1f s, RSS %lld kB after %d -> %lld kB (%+lld kB), descriptors %d -> %d, "
                "RTS raised %d released %d, line %s, integrity_check %s\n",
                done, clock.elapsed() / 1000.0, rssBase, warmUp, rssEnd, rssEnd - rssBase, fdBase, fdEnd, rises,
                falls, last == "RTS 0" ? "down" : "UP", qPrintable(integrity));
    const bool good = rc == 0 && done == count && rises == count && falls == count && last == "RTS 0"
                      && fdEnd <= fdBase && rssEnd - rssBase <= 4096 && integrity == QLatin1String("ok");
    std::printf("soak: %s\n", good ? "ok" : "FAILED");
    return good ? 0 : 1;
}
