#include "transmitter.h"

#include "ptt/ptt.h"
#include "ptt/pttsafety.h"
#include "toneloader.h"
#include "tonestream.h"

#include <QLoggingCategory>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>
#include <optional>

Q_LOGGING_CATEGORY(lcTx, "pontavel.transmitter", QtInfoMsg)

namespace {

// Slack given to the sound server beyond the stream's own length before a
// play-out that never completes counts as a failure. A server that was idle
// may hold a new stream back for up to its own latency (2 s by default, and
// PulseAudio's null sink does so on most starts), so the slack is well past it.
constexpr int PlayoutMarginMs = 5000;
constexpr int PollIntervalMs = 2;
// Past the transmit limit, what the event loop is given to release the line
// before a thread of its own does it (a loop hung in a library).
constexpr int HungLoopGraceMs = 2000;

} // namespace

class Transmitter::Private
{
public:
    // A sequence runs LeadIn (nothing to play) or Cue, Playing, then Tail; a
    // keypad tone runs HeldCue, Held, HeldOut once its tone is out, and when
    // released before that, Draining; its tail is HeldTail. The line goes up at
    // the end of the stream's silent head (the ...Cue states). A PTT test is
    // PttTest alone. Each state runs the timers timersOf() names; the lost-PTT
    // watch runs while the line is up, whatever the state.
    enum class State {
        Idle,
        LeadIn,      // a sequence with nothing to play: keyed for the lead-in
        Cue,         // a sequence's stream plays its head, the line not up yet
        Playing,     // the rest of the stream, until its end is foreseen
        Tail,        // the last sample played: the tail, then release
        HeldCue,     // a keypad tone's head
        Held,        // keyed while the key is held down, its tone playing
        HeldOut,     // the key still held, its tone over
        DrainingCue, // the key let go during the head: the tone is played whole
        Draining,    // the key let go before the tone's end: the tail follows it
        HeldTail,    // a keypad tone's tail, then release
        PttTest,     // keyed with no sound for a set time
    };
    enum Timer : unsigned { LeadInTimer = 1, PollTimer = 2, TailTimer = 4, BoundTimer = 8, MaxTimer = 16 };

    static unsigned timersOf(State s)
    {
        switch (s) {
        case State::Idle: return 0;
        case State::LeadIn: return LeadInTimer | MaxTimer;
        case State::Cue:
        case State::DrainingCue:
        case State::Playing:
        case State::Draining: return PollTimer | BoundTimer | MaxTimer;
        case State::Tail:
        case State::HeldTail:
        case State::PttTest: return TailTimer | MaxTimer;
        case State::HeldCue: return PollTimer | MaxTimer;
        case State::Held: return PollTimer | MaxTimer;
        case State::HeldOut: return MaxTimer;
        }
        return 0;
    }

    Transmitter *q;
    Ptt *ptt = nullptr;
    Ptt *configuredPtt = nullptr; // while a test keys another one
    bool keyingFailed = false;
    QDeadlineTimer heldTailEnd;    // HeldOut: when the tail after the tone ends
    QByteArray outputId;
    QString outputDescription;
    EmissionSettings emission;
    EmissionSettings::Timings timings; // of the transmission under way
    State state = State::Idle;
    EndReason ending = EndReason::None;
    QAudioFormat format;
    QAudioDevice device;
    QByteArray tones;          // converted to `format`, until the stream takes them
    ToneStream stream;
    int playoutMs = 0;         // the stream's foreseen length
    QTimer leadIn, poll, tail, bound, maxTx, watch;

    explicit Private(Transmitter *owner) : q(owner)
    {
        for (QTimer *t : {&leadIn, &tail, &bound, &maxTx})
            t->setSingleShot(true);
        poll.setInterval(PollIntervalMs);
        poll.setTimerType(Qt::PreciseTimer);
        leadIn.setTimerType(Qt::PreciseTimer);
        tail.setTimerType(Qt::PreciseTimer);
        // A coarse timer may fire 5 % early: the limit must not cut short.
        maxTx.setTimerType(Qt::PreciseTimer);
        QObject::connect(&leadIn, &QTimer::timeout, q, [this] { enter(State::Tail, timings.tailMs); });
        QObject::connect(&poll, &QTimer::timeout, q, [this] { checkPlayout(); });
        QObject::connect(&tail, &QTimer::timeout, q, [this] {
            ending = EndReason::Completed;
            end(true, {});
        });
        QObject::connect(&bound, &QTimer::timeout, q, [this] {
            ending = EndReason::SoundError;
            end(false, QStringLiteral("La lecture des tons ne s'est pas terminée à temps : "
                                      "émission arrêtée."));
        });
        // An adapter pulled out while keyed ends the transmission as a failure;
        // so does the sound output it plays on, unplugged.
        watch.setInterval(100);
        QObject::connect(&watch, &QTimer::timeout, q, [this] {
            const QString lost = ptt ? ptt->lostReason() : QString();
            if (lost.isEmpty()) {
                checkOutputPresent();
                return;
            }
            ending = EndReason::PttLost;
            keyingFailed = true;
            const State was = state;
            halt();
            if (was == State::PttTest)
                emit q->pttTestEnded(lost);
            else if (isSequence(was))
                emit q->finished(false, lost);
            else
                emit q->portWarning(lost);
        });
        QObject::connect(&maxTx, &QTimer::timeout, q, [this] {
            const QString text = QStringLiteral("Durée maximale d'émission atteinte (%1 s) : "
                                                "émetteur relâché.")
                                     .arg(timings.maxTransmitSeconds);
            ending = EndReason::TransmitLimit;
            const State was = state;
            halt();
            emit q->maxTransmitTimeReached(text);
            if (isSequence(was))
                emit q->finished(false, text);
        });
    }

    bool isSequence(std::optional<State> s = std::nullopt) const
    {
        const State st = s.value_or(state);
        return st == State::LeadIn || st == State::Cue || st == State::Playing || st == State::Tail;
    }

    // Stops the timers the new state does not run and starts those it runs
    // that were not running already (`ms`: the lead-in's or the tail's).
    void enter(State next, int ms = 0)
    {
        const unsigned runs = timersOf(next);
        const std::pair<unsigned, QTimer *> all[] = {{LeadInTimer, &leadIn}, {PollTimer, &poll},
                                                     {TailTimer, &tail},     {BoundTimer, &bound},
                                                     {MaxTimer, &maxTx}};
        for (const auto &[flag, timer] : all)
            if (!(runs & flag))
                timer->stop();
        auto startNew = [runs](unsigned flag, QTimer &timer, int interval) {
            if ((runs & flag) && !timer.isActive())
                timer.start(interval);
        };
        startNew(LeadInTimer, leadIn, ms);
        startNew(TailTimer, tail, ms);
        startNew(PollTimer, poll, PollIntervalMs);
        startNew(BoundTimer, bound, playoutMs + PlayoutMarginMs);
        // The limit counts from the start, then again from keying (keyPtt()).
        startNew(MaxTimer, maxTx, timings.maxTransmitSeconds * 1000);
        state = next;
    }

    // Sound output and the format the tones are converted to.
    bool openOutput(QString *error)
    {
        device = Transmitter::findOutput(outputId, outputDescription, error);
        if (device.isNull())
            return false;
        format = Transmitter::outputFormat(device);
        if (!format.isValid()) {
            if (error)
                *error = QStringLiteral("La sortie son « %1 » n'accepte aucun format utilisable.")
                             .arg(device.description());
            return false;
        }
        return true;
    }

    // The PTT method made ready before anything is built or played.
    bool preparePtt(QString *error)
    {
        keyingFailed = false;
        QString why;
        if (ptt && ptt->prepare(&why))
            return true;
        keyingFailed = true;
        if (error)
            *error = keyError(why);
        return false;
    }

    QString keyError(const QString &why) const
    {
        if (!ptt)
            return QStringLiteral("Aucune méthode PTT n'est configurée : rien n'a été émis.");
        const QString method = ptt->description();
        return QStringLiteral("L'émetteur ne peut pas être commandé%1 : rien n'a été émis. %2")
            .arg(method.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(method), why);
    }

    bool keyPtt(QString *error)
    {
        if (!ptt) {
            if (error)
                *error = keyError({});
            return false;
        }
        QString why;
        if (!ptt->key(&why)) {
            keyingFailed = true;
            if (error)
                *error = keyError(why);
            return false;
        }
        maxTx.start(timings.maxTransmitSeconds * 1000);
        setReleaseDeadline(timings.maxTransmitSeconds * 1000 + HungLoopGraceMs);
        watch.start();
        ending = EndReason::Stopped;  // until a path says otherwise
        emit q->keyedChanged(true);
        return true;
    }

    void releasePtt()
    {
        watch.stop();
        setReleaseDeadline(-1);
        const bool was = ptt && ptt->isKeyed();
        if (ptt)
            ptt->release();
        if (was)
            emit q->keyedChanged(false);
    }

    // The tones of `files` (none for an empty list) and the timings, checked
    // before anything is keyed.
    bool prepare(const QStringList &files, QString *error)
    {
        tones.clear();
        if (!files.isEmpty()
            && (!openOutput(error) || !ToneLoader::prepare(files, format, emission.checkDtmf, &tones, error)))
            return false;
        EmissionSettings::Timings checked;
        if (!emission.timings(&checked, error))
            return false;
        timings = checked;
        return true;
    }

    // `first`: Cue or HeldCue. The play-out is bounded by the stream's
    // foreseen length.
    void startStream(State first)
    {
        playoutMs = int(ToneLoader::durationUs(format, tones.size()) / 1000) + timings.leadInMs;
        enter(first);
        if (!stream.start(device, format, std::move(tones), timings.leadInMs, [this] { failAudio(); }))
            failAudio();
    }

    // The sound server moves the stream of an output unplugged to another one:
    // the tones would go on through the computer's speakers, not the radio.
    void checkOutputPresent()
    {
        if (!(timersOf(state) & PollTimer))
            return;
        const QList<QAudioDevice> now = Transmitter::outputs();
        if (std::none_of(now.cbegin(), now.cend(), [this](const QAudioDevice &d) { return d.id() == device.id(); }))
            failAudio(QStringLiteral("La sortie son « %1 » a disparu pendant l'émission : émission arrêtée."));
    }

    // A keypad tone just stops; a sequence reports it.
    void failAudio(const QString &text = QStringLiteral("Erreur de la sortie son « %1 » : émission arrêtée."))
    {
        ending = EndReason::SoundError;
        end(false, text.arg(outputDescription.isEmpty() ? device.description() : outputDescription));
    }

    void keyAfterCue()
    {
        const bool sequence = isSequence();
        enter(sequence ? State::Playing : state == State::HeldCue ? State::Held : State::Draining);
        QString error;
        if (keyPtt(&error)) {
            stream.placeTones();
            return;
        }
        // Not keyed: nothing goes on the air, the tones stop.
        if (sequence) {
            end(false, error);
            return;
        }
        halt();
        emit q->portWarning(error);
    }

    // Feeds the stream; keys once its head is heard, foresees its end.
    void checkPlayout()
    {
        if (!stream.feed()) {
            failAudio();
            return;
        }
        switch (state) {
        case State::Cue:
        case State::HeldCue:
        case State::DrainingCue:
            if (stream.headPlayed())
                keyAfterCue();
            return;
        case State::Playing:
        case State::Held:
        case State::Draining:
            break;
        default:
            return;
        }
        // Qt never reports more than was written, so an end seen late cannot be
        // told from one seen on time: the end is foreseen instead, within the
        // next poll, and the tail counted from it (rounded up: never cut short).
        const qint64 leftUs = stream.leftUs();
        if (leftUs > PollIntervalMs * 1000)
            return;
        qCDebug(lcTx) << "plays out" << leftUs << "us after" << stream.elapsedMs() << "ms";
        const int tailMs = int((std::max<qint64>(0, leftUs) + 999) / 1000) + timings.tailMs;
        if (state == State::Held) {
            // Still held: the tail runs from the tone's end, whenever the key is let go.
            heldTailEnd.setRemainingTime(tailMs, Qt::PreciseTimer);
            enter(State::HeldOut);
            return;
        }
        enter(state == State::Playing ? State::Tail : State::HeldTail, tailMs);
    }

    // Everything off, no signal.
    void halt()
    {
        stream.stop();
        releasePtt();
        enter(State::Idle);
        tones.clear();
        if (configuredPtt) {
            ptt = configuredPtt;
            configuredPtt = nullptr;
        }
    }

    void end(bool ok, const QString &error)
    {
        const State was = state;
        halt();
        if (isSequence(was))
            emit q->finished(ok, error);
        else if (was == State::PttTest)
            emit q->pttTestEnded(ok ? QString() : error);
    }
};

Transmitter::Transmitter(Ptt *ptt, QObject *parent) : QObject(parent), d(new Private(this))
{
    d->ptt = ptt;
}

Transmitter::~Transmitter()
{
    d->halt();
    delete d;
}

void Transmitter::setPtt(Ptt *ptt)
{
    if (ptt == d->ptt)
        return;
    stop();
    d->ptt = ptt;
}

void Transmitter::setOutput(const QByteArray &id, const QString &description)
{
    d->outputId = id;
    d->outputDescription = description;
}

void Transmitter::setEmissionSettings(const EmissionSettings &settings)
{
    d->emission = settings;
}

bool Transmitter::startSequence(const QStringList &files, QString *error)
{
    // The tail of the previous keypad tone gives way to a new one.
    if (d->state == Private::State::HeldTail)
        d->halt();
    if (isBusy()) {
        if (error)
            *error = QStringLiteral("Une émission est déjà en cours.");
        return false;
    }
    // The tones first (nothing opened yet), then the PTT made ready.
    if (!d->prepare(files, error) || !d->preparePtt(error)) {
        d->halt();
        return false;
    }
    if (!d->tones.isEmpty()) {
        d->startStream(Private::State::Cue);
        return true;
    }
    // Nothing to play: keyed for the lead-in and the tail.
    if (!d->keyPtt(error)) {
        d->halt();
        return false;
    }
    d->enter(Private::State::LeadIn, d->timings.leadInMs);
    return true;
}

bool Transmitter::startHeld(const QString &file, QString *error)
{
    // The tail of the previous keypad tone gives way to a new one.
    if (d->state == Private::State::HeldTail)
        d->halt();
    if (isBusy()) {
        if (error)
            *error = QStringLiteral("Une émission est déjà en cours.");
        return false;
    }
    if (!d->prepare({file}, error) || !d->preparePtt(error)) {
        d->halt();
        return false;
    }
    d->startStream(Private::State::HeldCue);
    return true;
}

void Transmitter::stopHeld()
{
    using State = Private::State;
    if (d->isSequence())
        return;
    // Let go before its tone was out: the tone is finished first, then the tail.
    if (d->state == State::HeldCue || d->state == State::Held) {
        d->enter(d->state == State::HeldCue ? State::DrainingCue : State::Draining);
        return;
    }
    // Let go after: what is left of the tail after the tone's end.
    if (d->state == State::HeldOut && d->heldTailEnd.remainingTime() > 0) {
        d->enter(State::HeldTail, int(d->heldTailEnd.remainingTime()));
        return;
    }
    if (d->state == State::HeldOut)
        d->ending = EndReason::Completed;
    if (d->state == State::HeldOut || d->state == State::HeldCue || d->state == State::DrainingCue
        || d->state == State::Draining)
        d->halt();
}

void Transmitter::stop()
{
    d->ending = EndReason::Stopped;
    if (d->state == Private::State::Idle) {
        d->releasePtt();
        return;
    }
    d->end(false, QStringLiteral("Émission interrompue."));
}

bool Transmitter::startPttTest(Ptt *ptt, int ms, QString *error)
{
    if (d->state == Private::State::HeldTail)
        d->halt();
    if (isBusy()) {
        if (error)
            *error = QStringLiteral("Une émission est déjà en cours.");
        return false;
    }
    EmissionSettings::Timings checked;
    if (!d->emission.timings(&checked, error))
        return false;
    d->timings = checked;
    d->configuredPtt = d->ptt;
    d->ptt = ptt;
    if (!d->preparePtt(error) || !d->keyPtt(error)) {
        d->halt();
        return false;
    }
    d->enter(Private::State::PttTest, ms);
    return true;
}

void Transmitter::stopPttTest()
{
    if (d->state == Private::State::PttTest)
        d->end(false, QStringLiteral("Essai interrompu."));
}

bool Transmitter::keyingFailed() const
{
    return d->keyingFailed;
}

bool Transmitter::isBusy() const
{
    return d->state != Private::State::Idle;
}

bool Transmitter::isKeyed() const
{
    return d->ptt && d->ptt->isKeyed();
}

Transmitter::EndReason Transmitter::endReason() const
{
    return d->ending;
}
