#pragma once

#include "settings.h"
#include "sharedstate.h"
#include "store.h"

// What every window reaches: the data store, the state shared by the windows
// and the settings row as last read or written.
struct AppContext
{
    Store store;
    SharedState state;
    Settings settings;
};
