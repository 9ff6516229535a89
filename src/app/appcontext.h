#pragma once

#include "audio/journalrecorder.h"
#include "audio/transmitter.h"
#include "core/routestate.h"
#include "core/sharedstate.h"
#include "map/frmmain.h"
#include "ptt/pttset.h"
#include "store/configuration.h"
#include "store/journalstore.h"
#include "store/store.h"

#include <QDir>

#include <memory>

// The composition root: builds the program's objects once, wires the settings
// to those that use them, and hands each window what it needs. Nothing
// outside the start-up reaches it.
struct AppContext
{
    Store store;
    Configuration config{store};
    SharedState state;
    // The routes on the map and their countdowns.
    RouteState routes{state};
    // One keying object per PTT method (serial line, rigctld, CM108 GPIO,
    // VOX); the chosen one is handed to the transmitter, which they outlive.
    PttSet ptts;
    // The one transmitter of the station: the command window and the keypad share it.
    // The station log, journal.db beside relai.db; outlives the transmitter:
    // its last release is still written.
    JournalStore journal;
    std::unique_ptr<Transmitter> transmitter = std::make_unique<Transmitter>(ptts.chosen());
    JournalRecorder *recorder = new JournalRecorder(transmitter.get(), &journal);

    AppContext()
    {
        // Stored settings reach their users as values: at load and after every change.
        QObject::connect(&config, &Configuration::stationChanged, &config, [this] { applyStation(); });
        // Lead-in, tail, transmit limit and tone check: at load and after every change.
        QObject::connect(&config, &Configuration::emissionChanged, &config, [this] {
            if (transmitter)
                transmitter->setEmissionSettings(config.emission());
        });
        QObject::connect(&config, &Configuration::coloursChanged, &routes,
                         [this](std::optional<ColourChoice> chosen) { routes.setColours(config.row(), chosen); });
        QObject::connect(&config, &Configuration::tempoChanged, &routes,
                         [this] { routes.DureeAffichage = config.row().displayMinutes(); });
    }
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    // The stored port, its line settings, the PTT method and the sound output,
    // handed to the transmitter: at load and after every change.
    void applyStation()
    {
        const Settings &row = config.row();
        const StationChoices &st = config.station();
        if (transmitter)
            transmitter->stop();
        Ptt *chosen = ptts.configure(st, row.comNumber, st.device, row.portSettings);
        if (transmitter) {
            transmitter->setPtt(chosen);
            transmitter->setOutput(st.outputId.toUtf8(), st.outputDescription);
        }
        recorder->setStation(journalStation(st));
    }

    // What the journal says of the station: PTT method and port, sound output, call sign, place.
    static JournalEntry journalStation(const StationChoices &st)
    {
        JournalEntry station;
        switch (st.method) {
        case PttMethod::Serial:
            station.pttMethod = Configuration::pttLineName(st.pttLine);
            station.pttPort = st.device;
            break;
        case PttMethod::Rigctld:
            station.pttMethod = QStringLiteral("rigctld");
            station.pttPort = QStringLiteral("%1:%2").arg(st.rigctldHost).arg(st.rigctldPort);
            break;
        case PttMethod::Cm108:
            station.pttMethod = QStringLiteral("CM108 GPIO %1").arg(st.cm108Gpio);
            station.pttPort = st.cm108Device;
            break;
        case PttMethod::Vox:
            station.pttMethod = QStringLiteral("aucune (VOX)");
            break;
        }
        station.soundOutput = st.outputId.isEmpty() ? QStringLiteral("sortie par défaut") : st.outputDescription;
        station.callsign = st.callSign;
        station.place = st.place;
        return station;
    }

    // At start, after relai.db: rows a dead program left open become "interrompu".
    void openJournal()
    {
        if (journal.open(QDir::current().filePath(JournalStore::fileName())))
            journal.markInterrupted();
    }

    // The main window on these objects; Load() reads the working folder.
    std::unique_ptr<frmMain> makeMainWindow()
    {
        auto w = std::make_unique<frmMain>(store, config, state, routes, transmitter.get(), &journal);
        // Said once; the transmission goes on all the same.
        QObject::connect(&journal, &JournalStore::writeFailed, w.get(), &frmMain::setStatusText);
        return w;
    }
};
