#include "countdowns.h"

#include "core/routestate.h"

#include <QTimer>

Countdowns::Countdowns(RouteState &routes, QObject *parent) : QObject(parent)
{
    Timer2 = new QTimer(this);
    Timer2->setInterval(100);
    connect(Timer2, &QTimer::timeout, &routes, &RouteState::tick);
    Timer2->start();
}
