#pragma once

#include "store/configuration.h"
#include "core/routestate.h"
#include "core/settings.h"
#include "core/sharedstate.h"
#include "store/store.h"
#include "audio/transmitter.h"
#include "ptt/serialptt.h"

#include <memory>

// What every window reaches: the data store, the stored settings' one owner,
// the state shared by the windows, the routes shown and the station's transmitter.
struct AppContext
{
    Store store;
    Configuration config{store};
    SharedState state;
    // The routes on the map and their countdowns.
    RouteState routes{state};
    // The PTT line of the station's serial port; outlives the transmitter.
    SerialPtt ptt;
    // The one transmitter of the station: the command window and the keypad share it.
    std::unique_ptr<Transmitter> transmitter = std::make_unique<Transmitter>(&ptt);

    AppContext()
    {
        state.bindStored(&config.row());
        QObject::connect(&config, &Configuration::stationChanged, &config, [this] { applyStation(); });
        // Lead-in, tail, transmit limit and tone check: at load and after every change.
        QObject::connect(&config, &Configuration::emissionChanged, &config, [this] {
            if (transmitter)
                transmitter->setEmissionSettings(config.emission());
        });
    }
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    // The stored port, its line settings, the PTT line and the sound output,
    // handed to the transmitter: at load and after every change.
    void applyStation()
    {
        const Settings &row = config.row();
        const StationChoices &st = config.station();
        ptt.configure(row.comNumber, st.device, row.portSettings, st.pttLine);
        if (transmitter)
            transmitter->setOutput(st.outputId.toUtf8(), st.outputDescription);
    }
};
