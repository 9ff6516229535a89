#pragma once

#include <QString>
#include <QStringList>

// Starts the external video program that shows the repeaters' return video.
namespace VideoMonitor {

// The configured program (EmissionSettings::monitorProgram) when set, else
// the viewers a station usually has, in the order they are tried. Each entry
// is a command line: program and arguments.
QStringList programs(const QString &configured);
QStringList defaultPrograms();

// Starts the first entry that can be started, without waiting for it. On
// failure *error holds the message to show; *pid the started process.
bool start(const QStringList &commands, QString *error, qint64 *pid = nullptr);

} // namespace VideoMonitor
