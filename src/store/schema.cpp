#include "schema.h"

#include "core/settings.h"

#include <iterator>

namespace Schema {

namespace {

constexpr Field RelaisFields[] = {
    {"N°", Type::Integer},     {"Nom", Type::Text, 50},   {"N°DTMF", Type::Text, 1},
    {"Freq", Type::Text, 20},  {"PosGauche", Type::Real}, {"PosHaut", Type::Real},
    {"LibellePosGau", Type::Real}, {"LibellePosHaut", Type::Real}, {"Chemin", Type::Text, 50},
};

constexpr Field ParamFields[] = {
    {"N°Com", Type::Integer},    {"settings", Type::Text, 20}, {"couleur", Type::Integer},
    {"couleur2", Type::Integer}, {"CoulLigne", Type::Integer}, {"CoulFaisc", Type::Integer},
    {"tempo", Type::Real},       {"CarteX", Type::Integer},    {"CarteY", Type::Integer},
    {"CoefZoom", Type::Real},
};

constexpr int LineLength = 50;  // Tx and Rx, the two lines of a command
constexpr Field CommandFields[] = {
    {"N°", Type::Integer},
    {"Tx", Type::Text, LineLength, true},
    {"Rx", Type::Text, LineLength, true},
    {"wav", Type::Text, SequenceLength},
    {"wav1", Type::Text, SequenceLength},
    {"wav2", Type::Text, SequenceLength},
    {"wav3", Type::Text, SequenceLength},
    {"wav4", Type::Text, SequenceLength},
    {"chemin", Type::Text, SequenceLength},
    {"relais", Type::Text, SequenceLength},
};

static_assert(std::size(RelaisFields) == RelaisField::Chemin + 1);
static_assert(std::size(ParamFields) == ParamField::CoefZoom + 1);
static_assert(std::size(CommandFields) == CommandField::Relais + 1);

QString columnSql(const Field &f, bool limited)
{
    const QString name = quoted(QString::fromUtf8(f.name));
    switch (f.type) {
    case Type::Integer:
        return name + QStringLiteral(" INTEGER");
    case Type::Real:
        return name + QStringLiteral(" REAL");
    case Type::Text:
        break;
    }
    if (!limited || f.size <= 0)
        return name + QStringLiteral(" TEXT");
    const QString rule = QStringLiteral("length(%1) <= %2").arg(name).arg(f.size);
    return QStringLiteral("%1 VARCHAR(%2) CHECK (%3)")
        .arg(name)
        .arg(f.size)
        .arg(f.required ? QStringLiteral("%1 <> '' AND %2").arg(name, rule) : rule);
}

} // namespace

QString Table::sqlName(const QString &table) const
{
    return quoted(table.isEmpty() ? QString::fromUtf8(name) : table);
}

QString Table::fieldName(int position) const
{
    return QString::fromUtf8(fields[position].name);
}

QStringList Table::fieldNames() const
{
    QStringList out;
    for (const Field &f : fields)
        out << QString::fromUtf8(f.name);
    return out;
}

QString Table::createSql(const QString &table) const
{
    QStringList columns;
    for (const Field &f : fields)
        columns << columnSql(f, limited);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(sqlName(table), columns.join(QStringLiteral(", ")));
}

QString Table::insertSql(const QString &table) const
{
    QStringList columns;
    for (const Field &f : fields)
        columns << quoted(QString::fromUtf8(f.name));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(sqlName(table), columns.join(QLatin1Char(',')),
             QStringList(count(), QStringLiteral("?")).join(QLatin1Char(',')));
}

const Table &relais()
{
    static const Table t{"Relais", RelaisFields};
    return t;
}

const Table &param()
{
    static const Table t{"Param", ParamFields};
    return t;
}

const Table &commands()
{
    static const Table t{"", CommandFields, true};
    return t;
}

QString commandTable(int numero)
{
    return QString::number(numero);
}

QVariantList settingsRow(const Settings &s)
{
    return {s.comNumber,          s.portSettings,      qint64(s.activeColour), qint64(s.idleColour),
            qint64(s.routeColour), qint64(s.beamColour), s.tempo,                s.carteX,
            s.carteY,             s.coefZoom};
}

QString quoted(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString repeaterLimitText()
{
    return QStringLiteral("Le nombre de relais est limité à %1").arg(MaxRepeaters);
}

QString commandLimitText()
{
    return QStringLiteral("Le nombre de commande par relais est limité à %1").arg(MaxCommands);
}

} // namespace Schema
