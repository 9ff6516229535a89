#pragma once

#include "core/journalentry.h"

#include <QObject>
#include <QPointer>

class JournalStore;
class Transmitter;

// Writes one journal row per transmission of its transmitter: opened as the
// line goes up, completed as it drops, given the operator's answer when it
// comes. Whoever starts a transmission says first what it is (prepare());
// the station (PTT method, port, sound output, call sign, place) is set once
// and after every change. A journal that cannot be written never holds up or
// stops a transmission: the store keeps the rows and says so.
class JournalRecorder : public QObject
{
    Q_OBJECT
public:
    // Lives as long as `transmitter`, its parent; `store` (not owned) may be null.
    JournalRecorder(Transmitter *transmitter, JournalStore *store);

    // The recorder of `transmitter`, null when it has none (a test's own transmitter).
    static JournalRecorder *of(const Transmitter *transmitter);

    // Origin, repeater, command and sequence of the next transmission; the
    // keys a keypad press plays go in `sequence`.
    void prepare(const JournalEntry &context);
    void setStation(const JournalEntry &station);
    // The operator's answer to the last command sequence.
    void answer(JournalEntry::Answer answer);
    // The exchange was left without an answer (Escape, the close box).
    void leftUnanswered();
    // The program is being stopped by a signal: what ends now ends by it.
    void stoppedBySignal() { m_bySignal = true; }

    qint64 lastId() const { return m_last.id; }

private:
    void keyedChanged(bool keyed);
    void complete();

    QPointer<Transmitter> m_tx;
    JournalStore *m_store;
    JournalEntry m_station;
    JournalEntry m_next;
    JournalEntry m_last;   // the row of the transmission under way, or the last one
    bool m_onAir = false;
    bool m_awaitingAnswer = false;
    bool m_bySignal = false;
};
