#pragma once

#include <QObject>

class RouteState;
class QTimer;

// The route countdowns of every repeater step on one 100 ms timer.
class Countdowns : public QObject
{
    Q_OBJECT
public:
    Countdowns(RouteState &routes, QObject *parent = nullptr);

    QTimer *Timer2 = nullptr;
};
