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

// How the transmitter is keyed: a serial port's modem line, a rigctld
// daemon (the rig's CAT), a GPIO pin of a USB sound chip, or nothing at all
// (the radio's VOX keys on the sound itself).
enum class PttMethod { Serial, Rigctld, Cm108, Vox };

// The PTT method and what each one needs, as the station dialog edits it.
struct PttChoice
{
    PttMethod method = PttMethod::Serial;
    PttLine pttLine = PttLine::Rts;        // Serial
    QString rigctldHost = QStringLiteral("127.0.0.1");
    int rigctldPort = 4532;
    QString cm108Device;                   // /dev/hidrawN
    int cm108Gpio = 3;                     // 1 to 8
};

// The station's own choices, stored per user: the device bound to each port
// number (Ports/Com<n>), the PTT method, the sound output feeding the
// transmitter (by id; empty = the system's default output), call sign and place.
struct StationChoices : PttChoice
{
    QString device;                        // device bound to Settings::comNumber
    QString outputId;
    QString outputDescription;             // for messages when the output is absent
    QString callSign;
    QString place;
};

// What the serial port dialog returns.
struct PortChoice : PttChoice
{
    int comNumber = 1;
    QString device;
    QString lineSettings;                  // "9600,N,8,1"
    QString outputId;
    QString outputDescription;
    QString callSign;
    QString place;
    int handshaking = 0;
    bool echo = false;
};
