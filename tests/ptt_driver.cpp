// One transmission in a process of its own, for tests to preload the RTS shim
// and send signals. Prints each event after its CLOCK_MONOTONIC seconds:
//   ptt_driver sequence <com> <file>...   or   ptt_driver stop|freeze <ms> <com> <file>...
// (stop: stops after ms; freeze: the event loop blocked for ms once keyed).
// With PONTAVEL_JOURNAL set, its transmission is written to that journal.
#include "audio/journalrecorder.h"
#include "audio/transmitter.h"
#include "store/journalstore.h"
#include "store/configuration.h"
#include "ptt/serialptt.h"
#include "ptt/pttsafety.h"

#include <QCoreApplication>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <ctime>

static void say(const QString &what)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::printf("%lld.%09ld %s\n", (long long)ts.tv_sec, ts.tv_nsec, qPrintable(what));
    std::fflush(stdout);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Pontavel"));
    QCoreApplication::setApplicationName(QStringLiteral("Pontavel"));
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return 2;
    const QString mode = args.takeFirst();
    const bool stop = mode == QLatin1String("stop"), freeze = mode == QLatin1String("freeze");
    const int ms = stop || freeze ? args.takeFirst().toInt() : 0;
    const int com = args.takeFirst().toInt();

    // The station's port as the program sets it up from what is stored.
    SerialPtt ptt;
    const QSettings user;
    ptt.configure(com, Configuration::boundDevice(com), QStringLiteral("9600,N,8,1"),
                  Configuration::pttLineFromName(user.value("Station/PttLine").toString()));
    JournalStore journal;
    if (qEnvironmentVariableIsSet("PONTAVEL_JOURNAL"))
        journal.open(qEnvironmentVariable("PONTAVEL_JOURNAL"));
    Transmitter tx(&ptt);
    new JournalRecorder(&tx, journal.isOpen() ? &journal : nullptr);
    tx.setOutput(user.value("Station/SortieSon").toByteArray(), user.value("Station/SortieSonNom").toString());
    tx.setEmissionSettings(Configuration::storedEmission());
    installTransmitterSafety(&tx, [&tx] { tx.stop(); });
    QObject::connect(&tx, &Transmitter::portWarning, [](const QString &t) { say("WARNING " + t); });
    QObject::connect(&tx, &Transmitter::keyedChanged, [&](bool on) {
        say(on ? "KEYED" : "RELEASED");
        if (on && freeze)
            QTimer::singleShot(0, &app, [ms] { QThread::msleep(ms), say("THAWED"); });
    });
    QObject::connect(&tx, &Transmitter::maxTransmitTimeReached, [](const QString &t) { say("MAX " + t); });
    QObject::connect(&tx, &Transmitter::finished, [&](bool ok, const QString &e) {
        say(QStringLiteral("FINISHED %1 %2").arg(ok ? 1 : 0).arg(e));
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    });

    QString error;
    if (!tx.startSequence(args, &error)) {
        say("REFUSED " + error);
        return 3;
    }
    if (stop)
        QTimer::singleShot(ms, &app, [&] {
            tx.stop();
            say(QStringLiteral("STOPPED keyed=%1").arg(tx.isKeyed()));
        });
    say(QStringLiteral("STARTED keyed=%1").arg(tx.isKeyed()));
    const int rc = app.exec();
    say(QStringLiteral("EXIT %1 keyed=%2").arg(rc).arg(tx.isKeyed()));
    return rc;
}
