#pragma once

#include <QCursor>
#include <QString>

// The map's own pointers. The magnifier, cross and move pointers may be
// replaced by a cursor file of the same role in the working folder
// ("magnify.cur", "cross03.cur", "h_move.cur"); a file that is missing or
// cannot be read leaves our own picture.
namespace ZoomCursors {
enum class Role { Grab, Magnify, Cross, Move };

QCursor cursor(Role role);
// File name of the role's override in the working folder (empty for Grab).
QString overrideFile(Role role);
// Reads a Windows cursor or icon file (or any picture Qt reads); the hot spot
// comes from a cursor file's directory, the picture's centre otherwise.
bool readCursorFile(const QString &path, QCursor *out);
} // namespace ZoomCursors
