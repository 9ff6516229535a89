#pragma once

#include "core/emissionsettings.h"
#include "core/settings.h"

#include <QObject>

#include <optional>

class Store;

// The one owner in memory of what is stored: the settings row of the store
// and the station's per-user choices. Everything that changes a stored
// setting goes through apply...(): it is written first, then kept here, then
// announced; a write that fails changes nothing.
class Configuration : public QObject
{
    Q_OBJECT
public:
    explicit Configuration(Store &store, QObject *parent = nullptr);

    // Reads the row and the per-user choices, then announces everything.
    void load(bool *rowPresent = nullptr);

    const Settings &row() const { return m_row; }
    const StationChoices &station() const { return m_station; }
    // The on-air settings (lead-in, tail, transmit limit, tone check, video
    // program), as stored per user when load() last ran.
    const EmissionSettings &emission() const { return m_emission; }

    bool applyPort(const PortChoice &choice, QString *error);
    bool applyColour(ColourChoice which, quint32 bgr, QString *error);
    bool applyTempo(double minutes, QString *error);
    bool applyView(double coefZoom, int carteX, int carteY, QString *error = nullptr);

    // /dev/ttyS0 for Com1, /dev/ttyS1 for Com2...
    static QString defaultDevice(int comNumber);
    // The device bound to port number `comNumber` (Ports/Com<n>), or the default one.
    static QString boundDevice(int comNumber);

    static QString pttLineName(PttLine line);   // "RTS", "DTR", "RTS+DTR"
    static PttLine pttLineFromName(const QString &name);
    static QString pttMethodName(PttMethod method);  // "serie", "rigctld", "cm108", "vox"
    static PttMethod pttMethodFromName(const QString &name);
    // The on-air settings as they are stored now (load() keeps a copy).
    static EmissionSettings storedEmission();

signals:
    // Port, line settings, PTT method, sound output, call sign or place.
    void stationChanged();
    // Every colour after a load; only `chosen` after applyColour().
    void coloursChanged(std::optional<ColourChoice> chosen = std::nullopt);
    void tempoChanged();
    void emissionChanged();

private:
    void readStation();

    Store &m_store;
    Settings m_row;
    StationChoices m_station;
    EmissionSettings m_emission;
};
