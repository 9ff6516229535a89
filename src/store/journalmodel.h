#pragma once

#include "journalstore.h"

#include <QSqlQueryModel>

// The journal's rows for a table view, newest first, read a screenful at a
// time as the view scrolls (the driver fetches on demand), through the
// store's read connection. Columns follow JournalExport::headings().
class JournalModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    enum Column {
        Id, Start, End, Duration, Origin, RepeaterNumber, RepeaterName, RepeaterKey, RepeaterFreq,
        CommandTx, CommandRx, Sequence, KeysPlayed, Answer, Outcome, PttMethod, PttPort, SoundOutput,
        Callsign, Place, ColumnCount
    };

    explicit JournalModel(const JournalStore &store, QObject *parent = nullptr);

    // Reads the rows of `filter` from the start. False (lastError()) when the
    // journal cannot be read.
    bool setFilter(const JournalFilter &filter);
    const JournalFilter &filter() const { return m_filter; }
    bool refresh() { return setFilter(m_filter); }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const JournalStore &m_store;
    JournalFilter m_filter;
};
