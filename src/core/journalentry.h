#pragma once

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

// One transmission of the station log: from the moment the line goes up to the
// moment it drops, whatever keyed it. Times are UTC; an end that is not known
// (the line is still up, or the program died with it up) is an invalid
// QDateTime.
struct JournalEntry
{
    // What keyed the transmitter.
    enum class Origin { Command, Keypad, PttTest };
    // The operator's answer to "did the repeater answer?".
    enum class Answer { None, Yes, No, Cancel };
    enum class Outcome {
        Open,             // the line is up, or a command waits for the operator's answer
        Completed,        // played to its end: a keypad tone, a PTT test
        Confirmed,        // answered Yes
        Repeated,         // answered No: the sequence is sent again
        Cancelled,        // answered Cancel
        Stopped,          // Escape or the close box
        TransmitLimit,    // the maximum transmit time cut it
        PttLost,          // the port or the daemon went away
        SoundError,       // the sound output failed
        ToneFileRefused,  // a tone file was refused before or while playing
        Signal,           // the program was stopped by a signal
        Interrupted,      // found open at the next start (crash, SIGKILL, power cut)
    };

    qint64 id = 0;  // row id in journal.db, 0 before it is written
    QDateTime start;
    QDateTime end;
    Origin origin = Origin::Command;
    int repeaterNumber = 0;  // 0: no repeater (keypad, PTT test)
    QString repeaterName;
    QString repeaterKey;     // its DTMF key
    QString repeaterFreq;    // as stored in Relais
    QString commandTx;
    QString commandRx;
    QString sequence;        // the keys meant to be sent
    QString keysPlayed;      // the keys actually played
    Answer answer = Answer::None;
    Outcome outcome = Outcome::Open;
    QString pttMethod;       // "RTS", "DTR", "rigctld", "CM108", "aucune (VOX)" ...
    QString pttPort;         // device or address
    QString soundOutput;
    QString callsign;        // station's call sign, may be empty
    QString place;           // station's place, may be empty

    // Time on air in ms, -1 while the end is unknown.
    qint64 durationMs() const
    {
        return start.isValid() && end.isValid() ? start.msecsTo(end) : -1;
    }

    // Names stored in journal.db (never change them: old logs keep them) and
    // the French words the operator reads.
    static constexpr int OutcomeCount = 12;
    static constexpr std::array<Outcome, OutcomeCount> outcomes()
    {
        return {Outcome::Open, Outcome::Completed, Outcome::Confirmed, Outcome::Repeated, Outcome::Cancelled, Outcome::Stopped,
                Outcome::TransmitLimit, Outcome::PttLost, Outcome::SoundError, Outcome::ToneFileRefused,
                Outcome::Signal, Outcome::Interrupted};
    }

    static QString storedName(Outcome o)
    {
        switch (o) {
        case Outcome::Open: return QStringLiteral("en-cours");
        case Outcome::Completed: return QStringLiteral("termine");
        case Outcome::Confirmed: return QStringLiteral("confirme");
        case Outcome::Repeated: return QStringLiteral("repete");
        case Outcome::Cancelled: return QStringLiteral("annule");
        case Outcome::Stopped: return QStringLiteral("arrete");
        case Outcome::TransmitLimit: return QStringLiteral("limite");
        case Outcome::PttLost: return QStringLiteral("ptt-perdu");
        case Outcome::SoundError: return QStringLiteral("erreur-son");
        case Outcome::ToneFileRefused: return QStringLiteral("fichier-refuse");
        case Outcome::Signal: return QStringLiteral("signal");
        case Outcome::Interrupted: return QStringLiteral("interrompu");
        }
        return {};
    }

    static QString label(Outcome o)
    {
        switch (o) {
        case Outcome::Open: return QStringLiteral("en cours");
        case Outcome::Completed: return QStringLiteral("terminé");
        case Outcome::Confirmed: return QStringLiteral("confirmé");
        case Outcome::Repeated: return QStringLiteral("répété");
        case Outcome::Cancelled: return QStringLiteral("annulé");
        case Outcome::Stopped: return QStringLiteral("arrêté (Échap ou fermeture)");
        case Outcome::TransmitLimit: return QStringLiteral("durée d'émission maximale atteinte");
        case Outcome::PttLost: return QStringLiteral("PTT perdu");
        case Outcome::SoundError: return QStringLiteral("erreur du son");
        case Outcome::ToneFileRefused: return QStringLiteral("fichier de tonalité refusé");
        case Outcome::Signal: return QStringLiteral("programme arrêté par un signal");
        case Outcome::Interrupted: return QStringLiteral("interrompu");
        }
        return {};
    }

    static std::optional<Outcome> outcomeFromStored(const QString &name)
    {
        for (Outcome o : outcomes())
            if (storedName(o) == name)
                return o;
        return std::nullopt;
    }

    static QString storedName(Answer a)
    {
        switch (a) {
        case Answer::None: return QStringLiteral("aucune");
        case Answer::Yes: return QStringLiteral("oui");
        case Answer::No: return QStringLiteral("non");
        case Answer::Cancel: return QStringLiteral("annuler");
        }
        return {};
    }

    // No answer reads as nothing: the column stays blank.
    static QString label(Answer a)
    {
        switch (a) {
        case Answer::None: return QString();
        case Answer::Yes: return QStringLiteral("Oui");
        case Answer::No: return QStringLiteral("Non");
        case Answer::Cancel: return QStringLiteral("Annuler");
        }
        return {};
    }

    static std::optional<Answer> answerFromStored(const QString &name)
    {
        for (Answer a : {Answer::None, Answer::Yes, Answer::No, Answer::Cancel})
            if (storedName(a) == name)
                return a;
        return std::nullopt;
    }

    static QString storedName(Origin o)
    {
        switch (o) {
        case Origin::Command: return QStringLiteral("commande");
        case Origin::Keypad: return QStringLiteral("clavier");
        case Origin::PttTest: return QStringLiteral("essai-ptt");
        }
        return {};
    }

    static QString label(Origin o)
    {
        switch (o) {
        case Origin::Command: return QStringLiteral("commande");
        case Origin::Keypad: return QStringLiteral("clavier");
        case Origin::PttTest: return QStringLiteral("essai PTT");
        }
        return {};
    }

    static std::optional<Origin> originFromStored(const QString &name)
    {
        for (Origin o : {Origin::Command, Origin::Keypad, Origin::PttTest})
            if (storedName(o) == name)
                return o;
        return std::nullopt;
    }
};
