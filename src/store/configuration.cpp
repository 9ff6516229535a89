#include "configuration.h"

#include "store.h"

#include <QSettings>

namespace {
QString portKey(int comNumber)
{
    return QStringLiteral("Ports/Com%1").arg(comNumber);
}
const QString kPttLine = QStringLiteral("Station/PttLine");
const QString kOutputId = QStringLiteral("Station/SortieSon");
const QString kOutputDescription = QStringLiteral("Station/SortieSonNom");
const QString kMethod = QStringLiteral("Station/MethodePtt");
const QString kRigctldHost = QStringLiteral("Station/RigctldHote");
const QString kRigctldPort = QStringLiteral("Station/RigctldPort");
const QString kCm108Device = QStringLiteral("Station/Cm108Peripherique");
const QString kCm108Gpio = QStringLiteral("Station/Cm108Gpio");
const QString kCallSign = QStringLiteral("Station/Indicatif");
const QString kPlace = QStringLiteral("Station/Lieu");
const char *const kMethodNames[] = {"serie", "rigctld", "cm108", "vox"};
}

QString Configuration::pttMethodName(PttMethod method)
{
    return QLatin1String(kMethodNames[int(method)]);
}

PttMethod Configuration::pttMethodFromName(const QString &name)
{
    const QString n = name.trimmed().toLower();
    for (int i = 0; i < 4; ++i)
        if (n == QLatin1String(kMethodNames[i]))
            return PttMethod(i);
    return PttMethod::Serial;
}

Configuration::Configuration(Store &store, QObject *parent) : QObject(parent), m_store(store) {}

QString Configuration::pttLineName(PttLine line)
{
    switch (line) {
    case PttLine::Dtr: return QStringLiteral("DTR");
    case PttLine::Both: return QStringLiteral("RTS+DTR");
    case PttLine::Rts: break;
    }
    return QStringLiteral("RTS");
}

PttLine Configuration::pttLineFromName(const QString &name)
{
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("DTR"))
        return PttLine::Dtr;
    if (n == QLatin1String("RTS+DTR"))
        return PttLine::Both;
    return PttLine::Rts;
}

QString Configuration::defaultDevice(int comNumber)
{
    return QStringLiteral("/dev/ttyS%1").arg(qMax(0, comNumber - 1));
}

QString Configuration::boundDevice(int comNumber)
{
    // A stored value is kept as it is, even blank or relative: the port
    // refuses it rather than fall back to a device that may be the console.
    const QSettings settings;
    if (!settings.contains(portKey(comNumber)))
        return defaultDevice(comNumber);
    return settings.value(portKey(comNumber)).toString().trimmed();
}

EmissionSettings Configuration::storedEmission()
{
    const QSettings user;
    // A timing is kept as its text: EmissionSettings::timings() judges it.
    auto text = [&user](const char *key) -> std::optional<QString> {
        const QVariant raw = user.value(QLatin1String(key));
        return raw.isValid() ? std::optional<QString>(raw.toString()) : std::nullopt;
    };
    EmissionSettings e;
    e.leadInMs = text(EmissionSettings::LeadInKey);
    e.tailMs = text(EmissionSettings::TailKey);
    e.maxTransmitSeconds = text(EmissionSettings::MaxTransmitKey);
    e.checkDtmf = user.value(QLatin1String(EmissionSettings::CheckDtmfKey), true).toBool();
    e.monitorProgram = user.value(QLatin1String(EmissionSettings::MonitorKey)).toString();
    return e;
}

void Configuration::readStation()
{
    const QSettings user;
    m_station.device = boundDevice(m_row.comNumber);
    m_station.pttLine = pttLineFromName(user.value(kPttLine).toString());
    m_station.method = pttMethodFromName(user.value(kMethod).toString());
    const PttChoice defaults;
    m_station.rigctldHost = user.value(kRigctldHost, defaults.rigctldHost).toString().trimmed();
    bool ok = false;
    const int port = user.value(kRigctldPort).toInt(&ok);
    m_station.rigctldPort = ok ? port : defaults.rigctldPort;
    m_station.cm108Device = user.value(kCm108Device).toString().trimmed();
    const int gpio = user.value(kCm108Gpio).toInt(&ok);
    m_station.cm108Gpio = ok ? gpio : defaults.cm108Gpio;
    m_station.callSign = user.value(kCallSign).toString().trimmed();
    m_station.place = user.value(kPlace).toString().trimmed();
    m_station.outputId = user.value(kOutputId).toString();
    m_station.outputDescription = user.value(kOutputDescription).toString();
}

void Configuration::load(bool *rowPresent)
{
    m_row = m_store.settings(rowPresent);
    readStation();
    m_emission = storedEmission();
    emit stationChanged();
    emit coloursChanged();
    emit tempoChanged();
    emit emissionChanged();
}

bool Configuration::applyPort(const PortChoice &c, QString *error)
{
    // The row first: when it cannot be written nothing else changes.
    if (!m_store.writeSettings({{QStringLiteral("N°Com"), c.comNumber},
                                {QStringLiteral("settings"), c.lineSettings}},
                               error))
        return false;
    m_row.comNumber = c.comNumber;
    m_row.portSettings = c.lineSettings;

    QSettings user;
    if (c.device.trimmed().isEmpty() || c.device == defaultDevice(c.comNumber))
        user.remove(portKey(c.comNumber));
    else
        user.setValue(portKey(c.comNumber), c.device.trimmed());
    user.setValue(kPttLine, pttLineName(c.pttLine));
    user.setValue(kMethod, pttMethodName(c.method));
    user.setValue(kRigctldHost, c.rigctldHost.trimmed());
    user.setValue(kRigctldPort, c.rigctldPort);
    user.setValue(kCm108Device, c.cm108Device.trimmed());
    user.setValue(kCm108Gpio, c.cm108Gpio);
    user.setValue(kCallSign, c.callSign.trimmed());
    user.setValue(kPlace, c.place.trimmed());
    if (c.outputId.isEmpty()) {
        user.remove(kOutputId);
        user.remove(kOutputDescription);
    } else {
        user.setValue(kOutputId, c.outputId);
        user.setValue(kOutputDescription, c.outputDescription);
    }
    // Written for whoever reads it; the port is set up from the row.
    user.beginGroup(QStringLiteral("Properties"));
    user.setValue(QStringLiteral("Settings"), c.lineSettings);
    user.setValue(QStringLiteral("CommPort"), QString::number(c.comNumber));
    user.setValue(QStringLiteral("Handshaking"), QString::number(c.handshaking));
    user.setValue(QStringLiteral("Echo"), c.echo ? QStringLiteral("True") : QStringLiteral("False"));
    user.endGroup();
    user.sync();
    readStation();
    emit stationChanged();
    return true;
}

bool Configuration::applyColour(ColourChoice which, quint32 bgr, QString *error)
{
    // In the order of ColourChoice.
    const struct { quint32 *target; const char *field; } fields[] = {
        {&m_row.activeColour, "couleur"},
        {&m_row.idleColour, "couleur2"},
        {&m_row.routeColour, "CoulLigne"},
        {&m_row.beamColour, "CoulFaisc"},
    };
    const auto &f = fields[int(which)];
    if (!m_store.writeSettings({{QLatin1String(f.field), qint64(bgr)}}, error))
        return false;
    *f.target = bgr;
    emit coloursChanged(which);
    return true;
}

bool Configuration::applyTempo(double minutes, QString *error)
{
    if (!m_store.writeSettings({{QStringLiteral("tempo"), minutes}}, error))
        return false;
    m_row.tempo = minutes;
    emit tempoChanged();
    return true;
}

bool Configuration::applyView(double coefZoom, int carteX, int carteY, QString *error)
{
    // One transaction: the row never holds half a view.
    if (!m_store.writeSettings({{QStringLiteral("CoefZoom"), coefZoom},
                                {QStringLiteral("CarteX"), carteX},
                                {QStringLiteral("CarteY"), carteY}},
                               error))
        return false;
    m_row.coefZoom = coefZoom;
    m_row.carteX = carteX;
    m_row.carteY = carteY;
    return true;
}
