#include "importcheck.h"

#include "schema.h"

#include "core/convert.h"
#include "core/dtmf.h"
#include "core/repeater.h"

#include <QHash>

namespace MdbImport {

namespace {

namespace RelaisField = Schema::RelaisField;
namespace CommandField = Schema::CommandField;

int columnIndex(const Table &t, const QString &name)
{
    for (int i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString textOf(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

Column columnOf(const Schema::Field &f)
{
    const Kind kind = f.type == Schema::Type::Integer ? Kind::Integer
                      : f.type == Schema::Type::Real  ? Kind::Real
                                                      : Kind::Text;
    return {QString::fromUtf8(f.name), kind, f.size};
}

// The old table's columns and rows, in their order, with the fields the
// program needs added (empty) where the old file has none.
Target complete(const Table &source, const Schema::Table &model, QStringList &report)
{
    Target t;
    static_cast<Table &>(t) = source;
    for (const Column &c : t.columns)
        if (c.kind == Kind::Other)
            report << QStringLiteral("Table %1 : le champ « %2 » est binaire ; il est créé vide, ses valeurs restent "
                                     "dans l'ancienne base.").arg(t.name, c.name);
    for (const Schema::Field &f : model.fields) {
        const Column column = columnOf(f);
        const QString &name = column.name;
        if (columnIndex(t, name) >= 0)
            continue;
        t.columns.append(column);
        for (QVariantList &row : t.rows)
            row.append(QVariant());
        report << QStringLiteral("Table %1 : le champ « %2 » manque ; il est ajouté, vide.").arg(t.name, name);
    }
    return t;
}

// What the operator calls a repeater's field.
QString repeaterWord(int field)
{
    switch (field) {
    case RelaisField::Numero: return QStringLiteral("numéro");
    case RelaisField::Nom: return QStringLiteral("nom");
    case RelaisField::Dtmf: return QStringLiteral("touche DTMF");
    case RelaisField::Freq: return QStringLiteral("fréquence");
    case RelaisField::PosGauche: return QStringLiteral("position gauche sur la carte");
    case RelaisField::PosHaut: return QStringLiteral("position haute sur la carte");
    case RelaisField::LibellePosGau: return QStringLiteral("position gauche des libellés");
    case RelaisField::LibellePosHaut: return QStringLiteral("position haute des libellés");
    default: return QStringLiteral("faisceau");
    }
}

// The same of a command's field, read by its position.
QString commandWord(int field)
{
    if (field >= CommandField::Wav && field < CommandField::Chemin)
        return QStringLiteral("séquence %1").arg(field - CommandField::Wav + 1);
    switch (field) {
    case CommandField::Numero: return QStringLiteral("numéro");
    case CommandField::Tx: return QStringLiteral("libellé Tx");
    case CommandField::Rx: return QStringLiteral("libellé Rx");
    case CommandField::Chemin: return QStringLiteral("route");
    default: return QStringLiteral("relais mis en service");
    }
}

// "Relais 2 « Pic Saint-Loup »", numbered by its place.
QString repeaterName(int place, const QString &name)
{
    return name.isEmpty() ? QStringLiteral("Relais %1").arg(place)
                          : QStringLiteral("Relais %1 « %2 »").arg(QString::number(place), name);
}

// The row's place is its number: the old program numbered the map and the
// command tables by position, whatever the field held.
void renumber(QVariant &v, int place, const QString &where, const QString &imported, QStringList &report)
{
    bool ok = false;
    if (variantToDouble(v, 0, &ok) == place && ok)
        return;
    report << where + QStringLiteral(" : numéro %1 dans l'ancienne base ; %3 sous le numéro %2, sa place dans la "
                                     "table, comme l'ancien programme le lisait.")
                          .arg(v.isNull() ? QStringLiteral("vide") : textOf(v), QString::number(place), imported);
    v = qint64(place);
}

// Characters of `s` that are not DTMF keys (nor one of `also`).
QString strangers(const QString &s, const QString &also = {})
{
    QString out;
    for (QChar c : s)
        if (!Dtmf::isKey(c) && !also.contains(c) && !out.contains(c))
            out += c;
    return out;
}

// A dropped row in words: "libellé Tx Marche, séquence 1 123".
QString describe(const QVariantList &row, int from, int to, QString (*word)(int))
{
    QStringList parts;
    for (int i = from; i < row.size() && i <= to; ++i)
        if (!textOf(row[i]).trimmed().isEmpty())
            parts << QStringLiteral("%1 %2").arg(word(i), textOf(row[i]));
    return parts.join(QStringLiteral(", "));
}

void checkRepeaters(Target &relais, QStringList &report)
{
    constexpr int max = Schema::MaxRepeaters;
    auto index = [&](int field) { return columnIndex(relais, Schema::relais().fieldName(field)); };
    for (int i = max; i < relais.rows.size(); ++i) {
        const QVariantList &r = relais.rows[i];
        QVariantList fields;
        for (int f = RelaisField::Numero; f <= RelaisField::Freq; ++f)
            fields << r.value(index(f));
        report << QStringLiteral("%1 (%2) : au-delà de %3 relais ; il n'est pas importé.")
                      .arg(repeaterName(i + 1, textOf(fields[RelaisField::Nom])),
                           describe(fields, RelaisField::Dtmf, RelaisField::Freq, repeaterWord), QString::number(max));
    }
    if (relais.rows.size() > max)
        relais.rows.resize(max);
    const int numero = index(RelaisField::Numero);
    const int nom = index(RelaisField::Nom);
    const int key = index(RelaisField::Dtmf);
    const int freq = index(RelaisField::Freq);
    const int chemin = index(RelaisField::Chemin);
    QHash<QString, int> keyRow;
    for (int i = 0; i < relais.rows.size(); ++i) {
        QVariantList &r = relais.rows[i];
        const QString where = repeaterName(i + 1, textOf(r[nom]));
        renumber(r[numero], i + 1, where, QStringLiteral("importé"), report);
        if (textOf(r[nom]).isEmpty())
            report << where + QStringLiteral(" : le nom est vide ; importé tel quel.");
        if (textOf(r[freq]).isEmpty())
            report << where + QStringLiteral(" : la fréquence est vide ; importée telle quelle.");
        const QString k = textOf(r[key]);
        if (k.isEmpty())
            report << where + QStringLiteral(" : pas de touche DTMF ; aucun faisceau ni aucune route ne mène à ce relais.");
        else if (k.size() != 1 || !Dtmf::isKey(k.at(0)))
            report << where + QStringLiteral(" : « %1 » n'est pas une touche DTMF (0 à 9, A à D, * ou #) ; importé tel quel, "
                                             "aucun faisceau ni aucune route ne mène à ce relais.").arg(k);
        else if (keyRow.contains(k))
            report << where + QStringLiteral(" : la touche %1 est aussi celle du relais %2 ; faisceaux et routes mènent "
                                             "au dernier des deux, comme avant.").arg(k, QString::number(keyRow[k] + 1));
        keyRow[k] = i;
        const QString bad = strangers(textOf(r[chemin]));
        if (!bad.isEmpty())
            report << where + QStringLiteral(" : le faisceau « %1 » contient « %2 », qui n'est pas une touche DTMF ; "
                                             "importé tel quel.").arg(textOf(r[chemin]), bad);
        for (int pos : {RelaisField::PosGauche, RelaisField::PosHaut, RelaisField::LibellePosGau,
                        RelaisField::LibellePosHaut})
            if (r[index(pos)].isNull())
                report << where + QStringLiteral(" : la %1 est vide ; lue comme 0.").arg(repeaterWord(pos));
    }
}

void checkCommands(Target &t, const QString &repeater, QStringList &report)
{
    constexpr int max = Schema::MaxCommands;
    for (int i = max; i < t.rows.size(); ++i)
        report << QStringLiteral("Commande %1 du %2 (%3) : au-delà de %4 commandes ; elle n'est pas importée.")
                      .arg(QString::number(i + 1), repeater, describe(t.rows[i], CommandField::Tx, CommandField::Relais, commandWord),
                           QString::number(max));
    if (t.rows.size() > max)
        t.rows.resize(max);
    // Fields are read by position, as the command window reads them.
    for (int i = 0; i < t.rows.size(); ++i) {
        QVariantList &r = t.rows[i];
        const QString where = QStringLiteral("Commande %1 du %2").arg(QString::number(i + 1), repeater);
        renumber(r[CommandField::Numero], i + 1, where, QStringLiteral("importée"), report);
        for (int c = CommandField::Tx; c <= CommandField::Rx; ++c)
            if (textOf(r.value(c)).isEmpty())
                report << where + QStringLiteral(" : le %1 est vide ; importée telle quelle.").arg(commandWord(c));
        for (int c = CommandField::Wav; c < r.size() && c <= CommandField::Relais; ++c) {
            const QString v = textOf(r[c]);
            if (c < CommandField::Chemin && sequenceAbsent(v))
                continue;
            // A route is segments of keys joined by '-'.
            const QString bad = strangers(v, c == CommandField::Chemin ? QStringLiteral("-") : QString());
            if (!bad.isEmpty())
                report << where + QStringLiteral(", %1 « %2 » : « %3 » n'est pas une touche DTMF ; importée telle quelle.")
                                      .arg(commandWord(c), v, bad);
            if (v.size() > Schema::SequenceLength)
                report << where + QStringLiteral(", %1 : %2 caractères, %3 au plus ; importée en entier.")
                                      .arg(commandWord(c), QString::number(v.size()),
                                           QString::number(Schema::SequenceLength));
        }
    }
}


} // namespace

bool check(const OldDatabase &old, CheckedNetwork *out, QString *error)
{
    *out = CheckedNetwork();
    const Table *relaisSource = old.find(QString::fromUtf8(Schema::relais().name));
    const Table *paramSource = old.find(QString::fromUtf8(Schema::param().name));
    if (!relaisSource || !paramSource) {
        *error = QStringLiteral("Cette base ne contient pas les tables Relais et Param. Rien n'a été importé.");
        return false;
    }
    QStringList &report = out->report;
    Target relais = complete(*relaisSource, Schema::relais(), report);
    relais.name = QString::fromUtf8(Schema::relais().name);
    checkRepeaters(relais, report);
    Target param = complete(*paramSource, Schema::param(), report);
    param.name = QString::fromUtf8(Schema::param().name);
    if (param.rows.isEmpty())
        report << QStringLiteral("Param : aucune ligne de réglages ; Pontavel prendra ses réglages par défaut.");
    out->tables << relais << param;

    QStringList used{relaisSource->name, paramSource->name};
    const int nom = columnIndex(relais, Schema::relais().fieldName(RelaisField::Nom));
    for (int i = 1; i <= relais.rows.size(); ++i) {
        const QString name = Schema::commandTable(i);
        // "relais 2 « Pic Saint-Loup »", as the command lines name it.
        const QString repeater = repeaterName(i, textOf(relais.rows[i - 1][nom])).replace(0, 1, u'r');
        const Table *source = nullptr;
        for (const Table &t : old.tables)
            if (t.name == name)
                source = &t;
        Target t;
        if (source) {
            t = complete(*source, Schema::commands(), report);
            used << source->name;
        } else {
            t.name = name;
            for (const Schema::Field &f : Schema::commands().fields)
                t.columns.append(columnOf(f));
            report << QStringLiteral("Le %1 n'a pas de table de commandes (« %2 ») ; une table vide est créée.")
                          .arg(repeater, name);
        }
        t.limitText = true;
        checkCommands(t, repeater, report);
        out->commands += int(t.rows.size());
        out->tables << t;
    }
    for (const Table &t : old.tables)
        if (!used.contains(t.name))
            report << QStringLiteral("Table %1 : aucun relais ne lui correspond ; elle n'est pas importée.").arg(t.name);
    for (const QString &t : old.otherTables)
        report << QStringLiteral("Table %1 : elle ne fait pas partie du réseau ; elle n'est pas importée.").arg(t);
    out->repeaters = int(relais.rows.size());
    out->settings = !param.rows.isEmpty();
    return true;
}

} // namespace MdbImport
