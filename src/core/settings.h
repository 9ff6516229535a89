#pragma once

#include <QString>
#include <QtGlobal>

// The one settings row of table Param, as read (see Store::settings()).
struct Settings
{
    int comNumber = 1;                     // N°Com
    QString portSettings = "9600,N,8,1";   // settings
    quint32 activeColour = 0x000000C0;     // couleur: command text, dark red
    quint32 idleColour = 0x00800000;     // couleur2: repeater names, dark blue
    quint32 routeColour = 0x000080FF;     // CoulLigne: routes, orange
    quint32 beamColour = 0x00A06040;  // CoulFaisc: beams, steel blue
    double tempo = 5;                      // tempo, minutes
    int carteX = 0;                        // CarteX, twips
    int carteY = 0;                        // CarteY, twips
    double coefZoom = 10;                  // CoefZoom, tenths

    int displayMinutes() const;            // tempo rounded to a whole number of minutes
};

// One of the four stored colours, as the colour menu chooses it.
enum class ColourChoice {
    Active,   // couleur: command texts
    Idle,     // couleur2: repeater names
    Route,    // CoulLigne
    Beam,     // CoulFaisc
};

// Which modem line keys the transmitter. The other one is held low.
enum class PttLine { Rts, Dtr, Both };

// The station's own choices, stored per user: the device bound to each port
// number (Ports/Com<n>), the PTT line and the sound output feeding the
// transmitter (by id; empty = the system's default output).
struct StationChoices
{
    QString device;                        // device bound to Settings::comNumber
    PttLine pttLine = PttLine::Rts;
    QString outputId;
    QString outputDescription;             // for messages when the output is absent
};

// What the serial port dialog returns.
struct PortChoice
{
    int comNumber = 1;
    QString device;
    QString lineSettings;                  // "9600,N,8,1"
    PttLine pttLine = PttLine::Rts;
    QString outputId;
    QString outputDescription;
    int handshaking = 0;
    bool echo = false;
};
