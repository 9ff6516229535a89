#include "journalmodel.h"

#include "journalexport.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// The stored column behind each column of the model.
const QStringList &selected()
{
    static const QStringList s{"id",           "start_ms",      "end_ms",        "end_ms - start_ms",
                               "origin",       "repeater_number", "repeater_name", "repeater_key",
                               "repeater_freq", "command_tx",   "command_rx",    "sequence",
                               "keys_played",  "answer",        "outcome",       "ptt_method",
                               "ptt_port",     "sound_output",  "callsign",      "place"};
    return s;
}

QDateTime fromMs(const QVariant &v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
}

} // namespace

JournalModel::JournalModel(const JournalStore &store, QObject *parent) : QSqlQueryModel(parent), m_store(store)
{
}

bool JournalModel::setFilter(const JournalFilter &filter)
{
    m_filter = filter;
    QVariantList binds;
    QSqlQuery q(m_store.readDatabase());
    q.prepare(JournalStore::selectSql(filter, &binds, selected()));
    for (const QVariant &v : std::as_const(binds))
        q.addBindValue(v);
    q.exec();
    setQuery(std::move(q));
    return !lastError().isValid();
}

QVariant JournalModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole)
        return QSqlQueryModel::data(index, role);
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return column == Id || column == Duration || column == RepeaterNumber
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    const QVariant raw = QSqlQueryModel::data(index, Qt::DisplayRole);
    switch (column) {
    case Start:
    case End: {
        const QDateTime t = fromMs(raw);
        // The tip tells apart the two 02:30 of the night summer time ends.
        return role == Qt::ToolTipRole ? QVariant(JournalExport::localIso(t) + QStringLiteral("  (UTC ")
                                                  + JournalStore::utcText(t) + QLatin1Char(')'))
                                       : QVariant(JournalExport::localDisplay(t));
    }
    case Duration: return JournalExport::duration(raw.isNull() ? -1 : raw.toLongLong(), role == Qt::ToolTipRole);
    case Origin: return JournalEntry::label(JournalEntry::originFromStored(raw.toString()).value_or(JournalEntry::Origin::Command));
    case RepeaterNumber: return raw.toInt() > 0 ? raw : QVariant();
    case Answer:
        return JournalEntry::label(JournalEntry::answerFromStored(raw.toString()).value_or(JournalEntry::Answer::None));
    case Outcome: {
        const auto o = JournalEntry::outcomeFromStored(raw.toString());
        return o ? JournalEntry::label(*o) : raw;
    }
    default: return raw;
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < JournalExport::headings().size())
        return JournalExport::headings().at(section);
    return QSqlQueryModel::headerData(section, orientation, role);
}
