#include "windowplacement.h"

#include <QGuiApplication>

#include <algorithm>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {

const QString GeometryKey = QStringLiteral("Fenetre/Geometrie");
const QString MaximizedKey = QStringLiteral("Fenetre/Agrandie");

QRect roomIn(const QRect &area)
{
    return area.marginsRemoved(WindowPlacement::FrameAllowance);
}

} // namespace

namespace WindowPlacement {

QRect fitted(const QRect &wanted, const QRect &area)
{
    const QRect room = roomIn(area);
    QRect r(wanted.topLeft(), wanted.size().boundedTo(room.size()).expandedTo(QSize(1, 1)));
    r.moveLeft(std::clamp(r.left(), room.left(), room.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), room.top(), room.bottom() + 1 - r.height()));
    return r;
}

void restore(QWidget *window, QSize firstSize)
{
    const QSettings settings;
    const QRect saved = settings.value(GeometryKey).toRect();
    // A place on a screen that is gone (a projector, a second monitor) is dropped.
    QScreen *screen = saved.isValid() ? QGuiApplication::screenAt(saved.center()) : nullptr;
    const bool keepPlace = screen != nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect wanted(QPoint(), saved.isValid() ? saved.size() : firstSize);
    if (keepPlace)
        wanted.moveTopLeft(saved.topLeft());
    else
        wanted.moveCenter(roomIn(area).center());
    // The layout cannot go below its minimum; a window that would then stick
    // out is shown maximised, where the window manager fits it.
    const QRect r = fitted(wanted, area);
    window->setGeometry(r);
    const bool tooSmall = window->minimumSizeHint().width() > r.width()
                          || window->minimumSizeHint().height() > r.height();
    if (settings.value(MaximizedKey).toBool() || tooSmall)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void save(const QWidget *window)
{
    QSettings settings;
    settings.setValue(GeometryKey, window->normalGeometry());
    settings.setValue(MaximizedKey, window->isMaximized());
}

void fitSize(QWidget *window, QScreen *screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        window->resize(window->size().boundedTo(roomIn(screen->availableGeometry()).size()));
}

} // namespace WindowPlacement
