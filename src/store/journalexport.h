#pragma once

#include "core/journalentry.h"

#include <QStringList>

class JournalStore;
struct JournalFilter;
class QIODevice;

// The journal as text: column headings, times and durations as the operator
// reads them, and the CSV export shared by the window and pontavel-journal.
namespace JournalExport {

// French headings, in the order of fields() and of the window's columns.
const QStringList &headings();

// The row's values as the export writes them.
QStringList fields(const JournalEntry &entry);

// h:mm:ss (hours grow past 24), with ".zzz" when `withMs`; empty for ms < 0.
QString duration(qint64 ms, bool withMs = false);

// Local time with its UTC offset: 2026-10-25T02:30:00.000+01:00. Empty when invalid.
QString localIso(const QDateTime &t);

// Local time as the window shows it: 25/10/2026 02:30:00.
QString localDisplay(const QDateTime &t);

// One CSV field: quoted when it holds a comma, a quote or a line break,
// quotes doubled.
QString csvField(const QString &value);
// One CSV line, CRLF ended.
QString csvLine(const QStringList &values);

// Writes the header and the rows of `filter`, newest first, as UTF-8 CSV.
// False with *error in French when the journal cannot be read or `out` written.
bool writeCsv(const JournalStore &store, const JournalFilter &filter, QIODevice &out, QString *error = nullptr,
              qint64 *rows = nullptr);

} // namespace JournalExport
