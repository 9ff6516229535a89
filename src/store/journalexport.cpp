#include "journalexport.h"

#include "journalstore.h"

#include <QIODevice>
#include <QTimeZone>

#include <cstdlib>

namespace {

// The system's zone read once: converting through it is a table look-up,
// where each local time conversion of the C library looks at /etc/localtime
// again (seconds on an export of a year).
QDateTime toLocal(const QDateTime &t)
{
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return zone.isValid() ? t.toTimeZone(zone) : t.toLocalTime();
}

} // namespace

namespace JournalExport {

const QStringList &headings()
{
    static const QStringList h{QStringLiteral("N°"),
                               QStringLiteral("Début"),
                               QStringLiteral("Fin"),
                               QStringLiteral("Durée"),
                               QStringLiteral("Origine"),
                               QStringLiteral("N° relais"),
                               QStringLiteral("Relais"),
                               QStringLiteral("Touche DTMF"),
                               QStringLiteral("Fréquence"),
                               QStringLiteral("Commande ligne 1"),
                               QStringLiteral("Commande ligne 2"),
                               QStringLiteral("Séquence"),
                               QStringLiteral("Touches émises"),
                               QStringLiteral("Réponse"),
                               QStringLiteral("Issue"),
                               QStringLiteral("Méthode PTT"),
                               QStringLiteral("Port ou adresse PTT"),
                               QStringLiteral("Sortie son"),
                               QStringLiteral("Indicatif"),
                               QStringLiteral("Lieu")};
    return h;
}

QStringList fields(const JournalEntry &e)
{
    return {QString::number(e.id),
            localIso(e.start),
            localIso(e.end),
            duration(e.durationMs(), true),
            JournalEntry::label(e.origin),
            e.repeaterNumber > 0 ? QString::number(e.repeaterNumber) : QString(),
            e.repeaterName,
            e.repeaterKey,
            e.repeaterFreq,
            e.commandTx,
            e.commandRx,
            e.sequence,
            e.keysPlayed,
            JournalEntry::label(e.answer),
            JournalEntry::label(e.outcome),
            e.pttMethod,
            e.pttPort,
            e.soundOutput,
            e.callsign,
            e.place};
}

QString duration(qint64 ms, bool withMs)
{
    if (ms < 0)
        return {};
    const qint64 s = ms / 1000;
    QString out = QStringLiteral("%1:%2:%3")
                      .arg(s / 3600)
                      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(s % 60, 2, 10, QLatin1Char('0'));
    if (withMs)
        out += QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return out;
}

QString localIso(const QDateTime &t)
{
    if (!t.isValid())
        return {};
    const QDateTime local = toLocal(t);
    const int offset = local.offsetFromUtc();
    const int a = std::abs(offset);
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(a / 3600, 2, 10, QLatin1Char('0'))
                 .arg(a / 60 % 60, 2, 10, QLatin1Char('0'));
}

QString localDisplay(const QDateTime &t)
{
    return t.isValid() ? toLocal(t).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

QString csvField(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')))
        return value;
    QString v = value;
    v.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

QString csvLine(const QStringList &values)
{
    QStringList quoted;
    quoted.reserve(values.size());
    for (const QString &v : values)
        quoted << csvField(v);
    return quoted.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

bool writeCsv(const JournalStore &store, const JournalFilter &filter, QIODevice &out, QString *error, qint64 *rows)
{
    qint64 n = 0;
    bool written = out.write(csvLine(headings()).toUtf8()) >= 0;
    QByteArray chunk;
    // Written by blocks: a year of log is a few MB, never held whole.
    auto drain = [&] {
        written = written && out.write(chunk) == chunk.size();
        chunk.clear();
        return written;
    };
    QString readError;
    const bool read = written && store.forEach(filter, [&](const JournalEntry &e) {
        chunk += csvLine(fields(e)).toUtf8();
        ++n;
        return chunk.size() < 64 * 1024 || drain();
    }, &readError);
    if (read)
        drain();
    if (rows)
        *rows = n;
    if (error && !read && written)
        *error = QStringLiteral("Le journal de trafic ne peut pas être lu : %1").arg(readError);
    else if (error && !written)
        *error = QStringLiteral("L'export ne peut pas être écrit : %1").arg(out.errorString());
    return read && written;
}

} // namespace JournalExport
