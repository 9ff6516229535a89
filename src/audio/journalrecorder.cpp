#include "journalrecorder.h"

#include "store/journalstore.h"
#include "transmitter.h"

JournalRecorder::JournalRecorder(Transmitter *transmitter, JournalStore *store)
    : QObject(transmitter), m_tx(transmitter), m_store(store)
{
    setObjectName(QStringLiteral("JournalRecorder"));
    connect(transmitter, &Transmitter::keyedChanged, this, &JournalRecorder::keyedChanged);
}

JournalRecorder *JournalRecorder::of(const Transmitter *transmitter)
{
    return transmitter ? transmitter->findChild<JournalRecorder *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void JournalRecorder::prepare(const JournalEntry &context)
{
    m_next = context;
}

void JournalRecorder::setStation(const JournalEntry &station)
{
    m_station = station;
}

void JournalRecorder::keyedChanged(bool keyed)
{
    if (keyed == m_onAir)
        return;
    m_onAir = keyed;
    if (keyed) {
        // Read the clock first: the row's start is the edge, not the write.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        m_last = std::exchange(m_next, JournalEntry{});
        m_last.start = now;
        m_last.end = {};
        m_last.answer = JournalEntry::Answer::None;
        m_last.outcome = JournalEntry::Outcome::Open;
        // A PTT test names the method it tries, which may not be the stored one.
        if (m_last.pttMethod.isEmpty()) {
            m_last.pttMethod = m_station.pttMethod;
            m_last.pttPort = m_station.pttPort;
        }
        m_last.soundOutput = m_station.soundOutput;
        m_last.callsign = m_station.callsign;
        m_last.place = m_station.place;
        m_awaitingAnswer = false;
        m_last.id = m_store ? m_store->begin(m_last) : 0;
        return;
    }
    m_last.end = QDateTime::currentDateTimeUtc();
    using R = Transmitter::EndReason;
    using O = JournalEntry::Outcome;
    const R why = m_tx ? m_tx->endReason() : R::Stopped;
    const bool command = m_last.origin == JournalEntry::Origin::Command;
    switch (why) {
    case R::None:
    case R::Completed:
        // A command sequence stays open until the operator says what the repeater did.
        m_last.outcome = command ? O::Open : O::Completed;
        m_awaitingAnswer = command;
        break;
    case R::Stopped: m_last.outcome = m_bySignal ? O::Signal : O::Stopped; break;
    case R::TransmitLimit: m_last.outcome = O::TransmitLimit; break;
    case R::PttLost: m_last.outcome = O::PttLost; break;
    case R::SoundError: m_last.outcome = O::SoundError; break;
    }
    // Played whole: its keys went out. Cut short: how far it went is not known.
    m_last.keysPlayed = why == R::Completed ? m_last.sequence : QString();
    complete();
}

void JournalRecorder::answer(JournalEntry::Answer answer)
{
    if (m_onAir || m_last.id == 0)
        return;
    m_last.answer = answer;
    // A sequence that ended badly keeps its outcome: the answer is kept beside it.
    if (m_awaitingAnswer) {
        using A = JournalEntry::Answer;
        m_last.outcome = answer == A::Yes  ? JournalEntry::Outcome::Confirmed
                         : answer == A::No ? JournalEntry::Outcome::Repeated
                                           : JournalEntry::Outcome::Cancelled;
    }
    m_awaitingAnswer = false;
    complete();
}

void JournalRecorder::leftUnanswered()
{
    if (!m_awaitingAnswer || m_onAir)
        return;
    m_awaitingAnswer = false;
    m_last.outcome = m_bySignal ? JournalEntry::Outcome::Signal : JournalEntry::Outcome::Stopped;
    complete();
}

void JournalRecorder::complete()
{
    if (m_store && m_last.id != 0)
        m_store->finish(m_last.id, m_last.end, m_last.answer, m_last.outcome, m_last.keysPlayed);
}
