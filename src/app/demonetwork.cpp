#include "demonetwork.h"

#include "core/convert.h"
#include "store/schema.h"

#include <QPointF>

#include <initializer_list>

namespace DemoNetwork {

namespace {

// Where a repeater's two labels stand relative to its icon.
enum class Side { East, West, South, North };

struct SiteRow
{
    const char *key;      // N°DTMF
    const char *nom;
    const char *freq;
    QPointF centre;       // icon centre on the map, pixels
    Side side;
    const char *beams;    // Faisceau: chain of keys
    const char *code;     // access code sent before every command
};

// Summits and capes of the demo map.
const SiteRow Rows[] = {
    {"1", "Mont Aurigne", "10.450", {1000, 212}, Side::East, "125A", "1470"},
    {"2", "Pic de Brénac", "2.410", {1250, 418}, Side::East, "28", "2581"},
    {"3", "Phare de Salvène", "1.255", {352, 296}, Side::East, "34", "3692"},
    {"4", "Crête de Vauderon", "10.380", {690, 250}, Side::North, "41", "4703"},
    {"5", "Montagrel", "2.395", {1258, 738}, Side::East, "", "5814"},
    {"6", "Roc d'Ormelle", "1.285", {545, 598}, Side::East, "64", "6925"},
    {"7", "Signal de Fontbrune", "10.420", {880, 578}, Side::South, "175", "7036"},
    {"8", "Tour de Lirac", "2.330", {1180, 110}, Side::East, "81", "8147"},
    {"9", "Pointe de Morvel", "1.270", {758, 718}, Side::East, "697", "9258"},
    {"A", "Cap Vermeil", "10.470", {1000, 842}, Side::East, "", "AB30"},
};
static_assert(std::size(Rows) <= Schema::MaxRepeaters);

// Command language of the demo controllers, after the access code:
// 1# on the air, 0# off, 5# test card, *n# camera n, 2k# link towards key k.
Command command(const QString &tx, const QString &rx, std::initializer_list<QString> sequences,
                const char *chemin = "", const char *relais = "")
{
    Command c;
    c.tx = tx;
    c.rx = rx;
    int i = 0;
    for (const QString &s : sequences)
        c.wav[i++] = s;
    c.chemin = QString::fromLatin1(chemin);
    c.relais = QString::fromLatin1(relais);
    return c;
}

QString code(const char *key)
{
    for (const SiteRow &r : Rows)
        if (QLatin1String(r.key) == QLatin1String(key))
            return QString::fromLatin1(r.code);
    return {};
}

QVector<Command> commandsOf(const SiteRow &row)
{
    const QString own = QString::fromLatin1(row.code);
    const QString key = QString::fromLatin1(row.key);
    const QString emission = QStringLiteral("Émission ") + QString::fromLatin1(row.freq);
    QVector<Command> list;
    list << command("Mise en marche", emission, {own, "1#"}, "", row.key);

    switch (row.key[0]) {
    case '1':
        list << command("Caméra 1", "Vue sur le massif", {own, "*1#"}, "", "1")
             << command("Relais vers Brénac", "Réception 2.410", {own, "22#", code("2"), "21#"}, "12", "12")
             << command("Relais vers Fontbrune et Montagrel", "Réception 2.395",
                        {own, "27#", code("7"), "25#", code("5")}, "175", "175");
        break;
    case '2':
        list << command("Relais vers Lirac", "Réception 2.330", {own, "28#"}, "28", "2")
             << command("Duplex Aurigne - Montagrel", "10.450 / 2.395", {own, "*15#", code("5"), "22#"}, "125", "25");
        break;
    case '3':
        list << command("Caméra 1", "Vue sur le port", {own, "*1#"}, "", "3")
             << command("Caméra 2", "Vue sur le golfe", {own, "*2#"}, "", "3")
             << command("Relais vers Vauderon", "Réception 10.380", {own, "24#", code("4"), "23#"}, "34", "34");
        break;
    case '4':
        list << command("Mire", emission, {own, "5#"}, "", "4")
             << command("Relais vers Mont Aurigne", "Réception 10.450", {own, "21#", code("1"), "24#"}, "41", "41")
             << command("Relais vers Roc d'Ormelle", "Réception 1.285", {own, "26#", code("6"), "24#"}, "46", "46");
        break;
    case '5':
        list << command("Relais vers Cap Vermeil", "Réception 10.470", {own, "2A#"}, "5A", "5")
             << command("Relais vers Fontbrune", "Réception 10.420", {own, "27#", code("7"), "25#"}, "57", "57");
        break;
    case '6':
        list << command("Caméra 1", "Vue sur Vauderon", {own, "*1#"}, "", "6")
             << command("Relais vers Pointe de Morvel", "Réception 1.270", {own, "29#"}, "69", "6");
        break;
    case '7':
        list << command("Relais vers Mont Aurigne", "Réception 10.450", {own, "21#"}, "71", "7")
             << command("Relais vers Pointe de Morvel", "Réception 1.270", {own, "29#", code("9"), "27#"}, "79", "79")
             << command("Liaison Aurigne - Morvel", "10.450 / 1.270",
                        {code("1"), "27#", own, "29#", code("9")}, "179", "179");
        break;
    case '8':
        list << command("Relais vers Mont Aurigne", "Réception 10.450", {own, "21#"}, "81", "8");
        break;
    case '9':
        list << command("Caméra 1", "Vue sur la plage", {own, "*1#"}, "", "9")
             << command("Relais vers Roc d'Ormelle", "Réception 1.285", {own, "26#"}, "96", "9");
        break;
    case 'A':
        list << command("Relais vers Montagrel", "Réception 2.395", {own, "25#", code("5"), "2A#"}, "A5", "A5");
        break;
    }
    // Every controller understands the same switch-off, and the reset with *#.
    list << command("Arrêt", "Veille", {own, "0#"});
    if (key == QLatin1String("1") || key == QLatin1String("7"))
        list << command("Réinitialisation", "Retour à l'entrée locale", {own, "*#0"}, "", "");
    return list;
}

Repeater repeaterOf(const SiteRow &row, int numero)
{
    Repeater r;
    r.numero = numero;
    r.nom = QString::fromUtf8(row.nom);
    r.dtmf = QString::fromLatin1(row.key);
    r.freq = QString::fromLatin1(row.freq);
    r.chemin = QString::fromLatin1(row.beams);
    // Stored positions are twips at zoom 10, the icon's top-left corner.
    const double icon = 255;
    r.posGauche = roundHalfEven(row.centre.x() * TwipsPerPixel - icon / 2);
    r.posHaut = roundHalfEven(row.centre.y() * TwipsPerPixel - icon / 2);
    const int width = std::max(LargeurTexte(r.nom), LargeurTexte(r.freq));
    switch (row.side) {
    case Side::East:
        r.libellePosGau = r.posGauche + icon + 60;
        r.libellePosHaut = r.posHaut - 60;
        break;
    case Side::West:
        r.libellePosGau = r.posGauche - 90 - width;
        r.libellePosHaut = r.posHaut - 60;
        break;
    case Side::South:
        r.libellePosGau = r.posGauche + icon / 2 - width / 2;
        r.libellePosHaut = r.posHaut + icon + 45;
        break;
    case Side::North:
        r.libellePosGau = r.posGauche + icon / 2 - width / 2;
        r.libellePosHaut = r.posHaut - 600;
        break;
    }
    return r;
}

} // namespace

QVector<Site> sites()
{
    QVector<Site> out;
    int numero = 0;
    for (const SiteRow &row : Rows)
        out.append(Site{repeaterOf(row, ++numero), commandsOf(row)});
    return out;
}

} // namespace DemoNetwork
