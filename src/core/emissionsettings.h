#pragma once

#include <QString>

#include <optional>

// The station's per-user settings of the on-air path, as stored. A timing is
// kept as its text (none when the key is absent) rather than as a number: a
// wrong value is refused when a transmission would use it, naming its key, and
// nothing is keyed; it is never quietly replaced by a default.
struct EmissionSettings
{
    static constexpr const char *LeadInKey = "Emission/LeadInMs";
    static constexpr const char *TailKey = "Emission/TailMs";
    static constexpr const char *MaxTransmitKey = "Emission/MaxTransmitSeconds";
    static constexpr const char *CheckDtmfKey = "Emission/CheckDtmf";
    static constexpr const char *MonitorKey = "Moniteur/Programme";

    std::optional<QString> leadInMs;            // 150 when absent, 0 to 5000
    std::optional<QString> tailMs;              // 100 when absent, 0 to 5000
    std::optional<QString> maxTransmitSeconds;  // 60 when absent, 1 to 600
    bool checkDtmf = true;                      // key files must hold their key
    QString monitorProgram;                     // video program; empty: the usual ones

    // What a transmission runs with.
    struct Timings
    {
        int leadInMs = 150;
        int tailMs = 100;
        int maxTransmitSeconds = 60;
    };

    // The three timings, or false and *error naming the first wrong one in French.
    bool timings(Timings *out, QString *error) const
    {
        return timing(LeadInKey, leadInMs, 150, 0, 5000, "ms", &out->leadInMs, error)
               && timing(TailKey, tailMs, 100, 0, 5000, "ms", &out->tailMs, error)
               && timing(MaxTransmitKey, maxTransmitSeconds, 60, 1, 600, "s", &out->maxTransmitSeconds, error);
    }

    bool operator==(const EmissionSettings &) const = default;

private:
    // A whole number within [minimum, maximum]; anything else (not a number,
    // out of range, too large for an int) is refused.
    static bool timing(const char *key, const std::optional<QString> &stored, int fallback, int minimum,
                       int maximum, const char *unit, int *value, QString *error)
    {
        if (!stored) {
            *value = fallback;
            return true;
        }
        bool ok = false;
        const qlonglong v = stored->trimmed().toLongLong(&ok);
        if (ok && v >= minimum && v <= maximum) {
            *value = int(v);
            return true;
        }
        if (error)
            *error = QStringLiteral("Le réglage %1 vaut « %2 » : il doit être un nombre entier de %3 à %4 %5. "
                                    "Rien n'a été émis ; corrigez-le dans les réglages de l'utilisateur.")
                         .arg(QLatin1String(key), *stored)
                         .arg(minimum)
                         .arg(maximum)
                         .arg(QLatin1String(unit));
        return false;
    }
};
