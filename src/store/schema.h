#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <span>

struct Settings;

// The tables of relai.db, written once: table creation, the store's writes,
// the editors, the demo network and the import of relai.mdb all take their
// names, types and limits from here. Names are those of the old Access file.
namespace Schema {

enum class Type { Integer, Real, Text };

struct Field
{
    const char *name;
    Type type;
    int size = 0;           // characters a text field holds; 0 for numbers
    bool required = false;  // may not be empty (the two lines of a command)
};

struct Table
{
    const char *name;  // empty for the command tables, named by their repeater's number
    std::span<const Field> fields;
    bool limited = false;  // the engine holds its texts to their size and rules

    int count() const { return int(fields.size()); }
    QString fieldName(int position) const;
    QStringList fieldNames() const;
    // CREATE TABLE with every field in order, under `table` (default: its own name).
    QString createSql(const QString &table = {}) const;
    // INSERT of every field in order, values bound, into `table` (default: its own name).
    QString insertSql(const QString &table = {}) const;

private:
    QString sqlName(const QString &table) const;
};

const Table &relais();
const Table &param();
const Table &commands();

// Field positions in their table.
namespace RelaisField {
enum : int { Numero, Nom, Dtmf, Freq, PosGauche, PosHaut, LibellePosGau, LibellePosHaut, Chemin };
}
namespace ParamField {
enum : int {
    ComNumber, PortSettings, ActiveColour, IdleColour, RouteColour, BeamColour, Tempo, CarteX, CarteY, CoefZoom
};
}
namespace CommandField {
enum : int { Numero, Tx, Rx, Wav, Chemin = Wav + 5, Relais };  // Wav .. Wav + 4: wav, wav1 ... wav4
}

// The old program's arrays ran to 30: repeaters, and commands of one repeater.
inline constexpr int MaxRepeaters = 30;
inline constexpr int MaxCommands = 30;
// Keys a sequence field (wav ... wav4, chemin, relais) holds.
inline constexpr int SequenceLength = 24;

// Name of repeater `numero`'s command table: "7".
QString commandTable(int numero);

// The settings row as stored, fields in the order of param().
QVariantList settingsRow(const Settings &s);

// Quoted SQL identifier ("7" -> "\"7\"").
QString quoted(const QString &name);

// What the editors and the store say when a table is full.
QString repeaterLimitText();
QString commandLimitText();

} // namespace Schema
