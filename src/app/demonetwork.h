#pragma once

#include "core/repeater.h"

#include <QVector>

// The sample network of the demo workspace: ten repeaters on the summits and
// capes of the demo map, their beams, and a few commands each.
namespace DemoNetwork {

struct Site
{
    Repeater repeater;          // numero, positions in twips, beams
    QVector<Command> commands;  // in stored order
};

QVector<Site> sites();

} // namespace DemoNetwork
