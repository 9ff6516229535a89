#include "transmitter.h"

#include "ptt/ptt.h"
#include "toneloader.h"

#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcTx, "pontavel.transmitter", QtInfoMsg)

namespace {

// Slack given to the sound server beyond the stream's own length before a
// play-out that never completes counts as a failure. A server that was idle
// may hold a new stream back for up to its own latency (2 s by default, and
// PulseAudio's null sink does so on most starts), so the slack is well past it.
constexpr int PlayoutMarginMs = 5000;
constexpr int PollIntervalMs = 2;
// Silence played before keying: the line goes up once the sound server is
// really playing the stream (it counts what it played), so that the lead-in
// and the first tone are heard as set, whatever the server's start-up time.
constexpr int CueMs = 30;

// Qt 6.4's PulseAudio backend disconnects from the sound server in its static
// destructors without taking its main loop's lock, while that loop's thread may
// still be handling the server's answers (to a stream just stopped, a device
// that changed): libpulse then aborts or crashes the process after main() has
// returned, at times after a signal asked for a clean exit code. Once the sound
// system is in use, the process ends at exit() before those destructors run:
// everything of the program's own has been closed by main() by then.
// Called after each step that creates such objects (the device list, the first
// stream), so that it runs before their teardown.
void endBeforeSoundTeardown(int step)
{
    static int armed = 0;
    if (armed & step)
        return;
    armed |= step;
    ::on_exit(
        [](int status, void *) {
            std::fflush(nullptr);
            ::_exit(status);
        },
        nullptr);
}

bool usableSampleFormat(QAudioFormat::SampleFormat f)
{
    return f == QAudioFormat::Int16 || f == QAudioFormat::Float || f == QAudioFormat::Int32
           || f == QAudioFormat::UInt8;
}

} // namespace

class Transmitter::Private
{
public:
    // A sequence runs LeadIn (nothing to play) or Cue, Playing, then Tail; a
    // keypad tone runs HeldCue, Held, and when released before its tone is out,
    // Draining. The line goes up at the end of the stream's silent head (the
    // ...Cue states). Each state runs the timers timersOf() names; the lost-port
    // watch runs while the line is up, whatever the state.
    enum class State {
        Idle,
        LeadIn,      // a sequence with nothing to play: keyed for the lead-in
        Cue,         // a sequence's stream plays its head, the line not up yet
        Playing,     // the rest of the stream, until its end is foreseen
        Tail,        // the last sample played: the tail, then release
        HeldCue,     // a keypad tone's head
        Held,        // keyed while the key is held down, its tone over or not
        DrainingCue, // the key let go during the head: the tone is played whole
        Draining,    // the key let go before the tone's end: released at that end
    };
    enum Timer : unsigned { LeadInTimer = 1, PollTimer = 2, CueTimer = 4, TailTimer = 8, BoundTimer = 16, MaxTimer = 32 };

    static unsigned timersOf(State s)
    {
        switch (s) {
        case State::Idle: return 0;
        case State::LeadIn: return LeadInTimer | MaxTimer;
        case State::Cue:
        case State::DrainingCue: return PollTimer | CueTimer | BoundTimer | MaxTimer;
        case State::Playing:
        case State::Draining: return PollTimer | BoundTimer | MaxTimer;
        case State::Tail: return TailTimer | MaxTimer;
        case State::HeldCue: return PollTimer | CueTimer | MaxTimer;
        case State::Held: return MaxTimer;
        }
        return 0;
    }

    Transmitter *q;
    Ptt *ptt = nullptr;
    QByteArray outputId;
    QString outputDescription;
    EmissionSettings emission;
    EmissionSettings::Timings timings; // of the transmission under way
    State state = State::Idle;
    EndReason ending = EndReason::None;
    qint64 cueUs = 0;
    QAudioFormat format;
    QAudioDevice device;
    QByteArray pcm;
    QBuffer buffer;
    std::unique_ptr<QAudioSink> sink;
    qint64 durationUs = 0;
    QElapsedTimer sinceStream;
    QTimer leadIn, poll, cue, tail, bound, maxTx, watch;

    explicit Private(Transmitter *owner) : q(owner)
    {
        for (QTimer *t : {&leadIn, &cue, &tail, &bound, &maxTx})
            t->setSingleShot(true);
        poll.setInterval(PollIntervalMs);
        poll.setTimerType(Qt::PreciseTimer);
        leadIn.setTimerType(Qt::PreciseTimer);
        cue.setTimerType(Qt::PreciseTimer);
        tail.setTimerType(Qt::PreciseTimer);
        // A coarse timer may fire 5 % early: the limit must not cut short.
        maxTx.setTimerType(Qt::PreciseTimer);
        QObject::connect(&leadIn, &QTimer::timeout, q, [this] { enter(State::Tail, timings.tailMs); });
        QObject::connect(&poll, &QTimer::timeout, q, [this] { checkPlayout(); });
        QObject::connect(&cue, &QTimer::timeout, q, [this] { keyAfterCue(); });
        QObject::connect(&tail, &QTimer::timeout, q, [this] {
            ending = EndReason::Completed;
            end(true, {});
        });
        QObject::connect(&bound, &QTimer::timeout, q, [this] {
            ending = EndReason::SoundError;
            end(false, QStringLiteral("La lecture des tons ne s'est pas terminée à temps : "
                                      "émission arrêtée."));
        });
        // An adapter pulled out while keyed ends the transmission as a failure.
        watch.setInterval(100);
        QObject::connect(&watch, &QTimer::timeout, q, [this] {
            const QString lost = ptt ? ptt->lostReason() : QString();
            if (lost.isEmpty())
                return;
            ending = EndReason::PttLost;
            const bool wasSequence = isSequence();
            halt();
            if (wasSequence)
                emit q->finished(false, lost);
            else
                emit q->portWarning(lost);
        });
        QObject::connect(&maxTx, &QTimer::timeout, q, [this] {
            const QString text = QStringLiteral("Durée maximale d'émission atteinte (%1 s) : "
                                                "émetteur relâché.")
                                     .arg(timings.maxTransmitSeconds);
            ending = EndReason::TransmitLimit;
            const bool wasSequence = isSequence();
            halt();
            emit q->maxTransmitTimeReached(text);
            if (wasSequence)
                emit q->finished(false, text);
        });
    }

    bool isSequence() const
    {
        return state == State::LeadIn || state == State::Cue || state == State::Playing || state == State::Tail;
    }

    // Stops the timers the new state does not run and starts those it runs
    // that were not running already (`ms`: the lead-in's or the tail's). The
    // cue timer is armed by the poll, once the head's end is near.
    void enter(State next, int ms = 0)
    {
        const unsigned runs = timersOf(next);
        const std::pair<unsigned, QTimer *> all[] = {{LeadInTimer, &leadIn}, {PollTimer, &poll},
                                                     {CueTimer, &cue},       {TailTimer, &tail},
                                                     {BoundTimer, &bound},   {MaxTimer, &maxTx}};
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
        startNew(BoundTimer, bound, int(durationUs / 1000) + PlayoutMarginMs);
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

    bool keyPtt(QString *error)
    {
        if (!ptt) {
            if (error)
                *error = QStringLiteral("Aucune ligne d'émission n'est configurée.");
            return false;
        }
        if (!ptt->key(error))
            return false;
        maxTx.start(timings.maxTransmitSeconds * 1000);
        watch.start();
        ending = EndReason::Stopped;  // until a path says otherwise
        emit q->keyedChanged(true);
        return true;
    }

    void releasePtt()
    {
        watch.stop();
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
        QByteArray tones;
        if (!files.isEmpty()
            && (!openOutput(error) || !ToneLoader::prepare(files, format, emission.checkDtmf, &tones, error)))
            return false;
        EmissionSettings::Timings checked;
        if (!emission.timings(&checked, error))
            return false;
        timings = checked;
        prepareStream(tones);
        return true;
    }

    // The whole stream, before anything is keyed. The lead-in is played as
    // silence at the head of the stream rather than waited before opening
    // it: a sound server waking from idle drops the first samples of a
    // stream, and those must not be the first tone's.
    void prepareStream(const QByteArray &tones)
    {
        pcm.clear();
        cueUs = 0;
        if (!tones.isEmpty()) {
            const qint64 cueFrames = qint64(format.sampleRate()) * CueMs / 1000;
            cueUs = cueFrames * 1000000 / format.sampleRate();
            const qint64 frames = cueFrames + qint64(format.sampleRate()) * timings.leadInMs / 1000;
            pcm = QByteArray(frames * format.bytesPerFrame(),
                             format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0));
            pcm += tones;
        }
        durationUs = ToneLoader::durationUs(format, pcm.size());
    }

    // `first`: Cue or HeldCue.
    void startStream(State first)
    {
        enter(first);
        buffer.close();
        buffer.setData(pcm);
        buffer.open(QIODevice::ReadOnly);
        sink = std::make_unique<QAudioSink>(device, format);
        QObject::connect(sink.get(), &QAudioSink::stateChanged, q,
                         [this](QAudio::State s) { sinkStateChanged(s); });
        sinceStream.start();
        sink->start(&buffer);
        endBeforeSoundTeardown(2);
        if (sink && sink->error() != QAudio::NoError && sink->error() != QAudio::UnderrunError) {
            failAudio();
            return;
        }
        qCDebug(lcTx) << "stream started" << format << durationUs << "us";
    }

    void sinkStateChanged(QAudio::State s)
    {
        if (!sink)
            return;
        const QAudio::Error e = sink->error();
        if (s == QAudio::StoppedState && e != QAudio::NoError && e != QAudio::UnderrunError)
            failAudio();
    }

    // A keypad tone just stops; a sequence reports it.
    void failAudio()
    {
        ending = EndReason::SoundError;
        end(false, QStringLiteral("Erreur de la sortie son « %1 » : émission arrêtée.").arg(device.description()));
    }

    void keyAfterCue()
    {
        const bool sequence = isSequence();
        enter(sequence ? State::Playing : state == State::HeldCue ? State::Held : State::Draining);
        QString error;
        if (keyPtt(&error))
            return;
        // A sequence plays on (VOX stations); a keypad tone stops.
        if (!sequence)
            halt();
        emit q->portWarning(error);
    }

    // The server's count of samples played, not of samples written: the sink
    // goes idle while its last buffer is still being played.
    void checkPlayout()
    {
        if (!sink)
            return;
        const qint64 processed = sink->processedUSecs();
        switch (state) {
        case State::Cue:
        case State::HeldCue:
        case State::DrainingCue:
            // The end of the head is foreseen, as the end of the stream below.
            if (!cue.isActive() && cueUs - processed <= PollIntervalMs * 1000)
                cue.start(int(std::max<qint64>(0, cueUs - processed) / 1000));
            return;
        case State::Draining:
            if (processed >= durationUs) {
                ending = EndReason::Completed;
                halt();
            }
            return;
        case State::Playing:
            break;
        default:
            return;
        }
        // Qt never reports more than was written, so an end seen late cannot be
        // told from one seen on time: the end is foreseen instead, within the
        // next poll, and the tail counted from it (rounded up: never cut short).
        const qint64 leftUs = durationUs - processed;
        if (leftUs > PollIntervalMs * 1000)
            return;
        qCDebug(lcTx) << "plays out" << leftUs << "us after" << sinceStream.elapsed() << "ms";
        enter(State::Tail, int((std::max<qint64>(0, leftUs) + 999) / 1000) + timings.tailMs);
    }

    void stopAudio()
    {
        if (sink) {
            sink->disconnect(q);
            sink->stop();
            // Qt 6.4's PulseAudio sink still gets stream callbacks for a moment
            // after stop(); deleting it at once let them write into freed memory.
            QTimer::singleShot(1000, sink.release(), &QObject::deleteLater);
        }
        buffer.close();
    }

    // Everything off, no signal.
    void halt()
    {
        stopAudio();
        releasePtt();
        enter(State::Idle);
        pcm.clear();
    }

    void end(bool ok, const QString &error)
    {
        const bool wasSequence = isSequence();
        halt();
        if (wasSequence)
            emit q->finished(ok, error);
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

QAudioDevice Transmitter::findOutput(const QByteArray &id, const QString &description, QString *error)
{
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    endBeforeSoundTeardown(1);
    if (id.isEmpty()) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() && error)
            *error = QStringLiteral("Aucune sortie son disponible : les tons ne peuvent pas "
                                    "être émis.");
        return device;
    }
    for (const QAudioDevice &device : outputs)
        if (device.id() == id)
            return device;
    if (error)
        *error = QStringLiteral("La sortie son « %1 » choisie pour l'émetteur est absente : rien "
                                "n'a été émis. Branchez-la, ou choisissez une autre sortie dans le "
                                "menu Port (Sortie son).")
                     .arg(description.isEmpty() ? QString::fromUtf8(id) : description);
    return {};
}

QAudioFormat Transmitter::outputFormat(const QAudioDevice &device)
{
    if (device.isNull())
        return {};
    const QAudioFormat preferred = device.preferredFormat();
    if (preferred.isValid() && usableSampleFormat(preferred.sampleFormat())
        && device.isFormatSupported(preferred))
        return preferred;
    for (int rate : {48000, 44100}) {
        for (int channels : {2, 1}) {
            QAudioFormat f;
            f.setSampleRate(rate);
            f.setChannelCount(channels);
            f.setSampleFormat(QAudioFormat::Int16);
            if (device.isFormatSupported(f))
                return f;
        }
    }
    return {};
}

bool Transmitter::startSequence(const QStringList &files, QString *error)
{
    if (isBusy()) {
        if (error)
            *error = QStringLiteral("Une émission est déjà en cours.");
        return false;
    }
    if (!d->prepare(files, error))
        return false;
    if (!d->pcm.isEmpty()) {
        d->startStream(Private::State::Cue);
        return true;
    }
    // Nothing to play: keyed for the lead-in and the tail.
    QString portError;
    if (!d->keyPtt(&portError))
        emit portWarning(portError);
    d->enter(Private::State::LeadIn, d->timings.leadInMs);
    return true;
}

bool Transmitter::startHeld(const QString &file, QString *error)
{
    if (isBusy()) {
        if (error)
            *error = QStringLiteral("Une émission est déjà en cours.");
        return false;
    }
    if (!d->prepare({file}, error))
        return false;
    d->startStream(Private::State::HeldCue);
    return true;
}

void Transmitter::stopHeld()
{
    using State = Private::State;
    if (d->isSequence())
        return;
    // Let go before its tone was out: the tone is finished first.
    if ((d->state == State::HeldCue || d->state == State::Held) && d->sink
        && d->sink->processedUSecs() < d->durationUs) {
        d->enter(d->state == State::HeldCue ? State::DrainingCue : State::Draining);
        return;
    }
    d->ending = EndReason::Completed;
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
