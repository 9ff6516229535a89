#pragma once

#include "routestate.h"
#include "settings.h"
#include "sharedstate.h"
#include "store.h"
#include "audio/transmitter.h"

#include <memory>

// What every window reaches: the data store, the state shared by the windows,
// the routes shown and the settings row as last read or written.
struct AppContext
{
    Store store;
    SharedState state;
    // The routes on the map and their countdowns.
    RouteState routes{state};
    Settings settings;
    // The one transmitter of the station: the command window and the keypad share it.
    std::unique_ptr<Transmitter> transmitter = std::make_unique<Transmitter>();
};
