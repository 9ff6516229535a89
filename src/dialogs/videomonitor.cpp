#include "videomonitor.h"

#include <QProcess>

namespace VideoMonitor {

QStringList defaultPrograms()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("vidcap32.exe")};
#else
    return {QStringLiteral("qv4l2"), QStringLiteral("vlc v4l2://"), QStringLiteral("mpv av://v4l2:/dev/video0")};
#endif
}

QStringList programs(const QString &configured)
{
    const QString program = configured.trimmed();
    return program.isEmpty() ? defaultPrograms() : QStringList{program};
}

bool start(const QStringList &commands, QString *error, qint64 *pid)
{
    QStringList names;
    for (const QString &command : commands) {
        QStringList args = QProcess::splitCommand(command);
        if (args.isEmpty())
            continue;
        const QString program = args.takeFirst();
        names << program;
        qint64 started = 0;
        if (QProcess::startDetached(program, args, QString(), &started)) {
            if (pid)
                *pid = started;
            return true;
        }
    }
    if (error)
        *error = QStringLiteral("Erreur : Impossible de trouver le fichier ") + names.join(QStringLiteral(", "));
    return false;
}

} // namespace VideoMonitor
