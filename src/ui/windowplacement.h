#pragma once

#include <QMargins>
#include <QRect>

class QScreen;
class QWidget;

// Windows that open inside the screen's available area, whatever its size and
// scale, and a main window that comes back at the operator's size and place.
namespace WindowPlacement {

// Room left around a window for the window manager's frame, title bar on top:
// the frame is only known once the window is on screen.
constexpr QMargins FrameAllowance{6, 36, 6, 6};

// `wanted` (the window without its frame) shrunk and moved so that the window
// and its frame lie inside `area`.
QRect fitted(const QRect &wanted, const QRect &area);

// The main window at the size and place the operator last left it (per-user
// settings), on a screen that still exists and inside its available area;
// the first time at `firstSize` or less, centred. A window left maximised
// comes back maximised.
void restore(QWidget *window, QSize firstSize);
void save(const QWidget *window);

// Shrinks a window to what `screen` (the primary screen when null) can show.
void fitSize(QWidget *window, QScreen *screen);

} // namespace WindowPlacement
