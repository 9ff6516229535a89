#include "transmitter.h"

#include "ptt/ptt.h"
#include "toneloader.h"

#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QSettings>
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

// A per-user timing setting within [minimum, maximum]; anything else (not a
// whole number, out of range, too large for an int) is refused with a French
// text that names the setting, so that nothing is keyed on a wrong value.
bool setting(const char *key, int fallback, int minimum, int maximum, const char *unit, int *value,
             QString *error)
{
    const QVariant raw = QSettings().value(QLatin1String(key));
    if (!raw.isValid()) {
        *value = fallback;
        return true;
    }
    bool ok = false;
    const qlonglong v = raw.toString().trimmed().toLongLong(&ok);
    if (ok && v >= minimum && v <= maximum) {
        *value = int(v);
        return true;
    }
    if (error)
        *error = QStringLiteral("Le réglage %1 vaut « %2 » : il doit être un nombre entier de %3 à %4 %5. "
                                "Rien n'a été émis ; corrigez-le dans les réglages de l'utilisateur.")
                     .arg(QLatin1String(key), raw.toString())
                     .arg(minimum)
                     .arg(maximum)
                     .arg(QLatin1String(unit));
    return false;
}

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
    enum class State { Idle, LeadIn, Playing, Tail, Held };

    Transmitter *q;
    Ptt *ptt = nullptr;
    QByteArray outputId;
    QString outputDescription;
    bool draining = false;   // a held tone released early plays to its end
    State state = State::Idle;
    bool sequence = false;   // a sequence (not a held tone) is running
    bool keyPending = false; // the stream plays its cue; the line is not up yet
    qint64 cueUs = 0;
    QAudioFormat format;
    QAudioDevice device;
    QByteArray pcm;
    QBuffer buffer;
    std::unique_ptr<QAudioSink> sink;
    qint64 durationUs = 0;
    int tailMs = 0;
    int maxSeconds = 0;
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
        QObject::connect(&leadIn, &QTimer::timeout, q, [this] { startStream(); });
        QObject::connect(&poll, &QTimer::timeout, q, [this] { checkPlayout(); });
        QObject::connect(&cue, &QTimer::timeout, q, [this] { keyAfterCue(); });
        QObject::connect(&tail, &QTimer::timeout, q, [this] { end(true, {}); });
        QObject::connect(&bound, &QTimer::timeout, q, [this] {
            end(false, QStringLiteral("La lecture des tons ne s'est pas terminée à temps : "
                                      "émission arrêtée."));
        });
        // An adapter pulled out while keyed ends the transmission as a failure.
        watch.setInterval(100);
        QObject::connect(&watch, &QTimer::timeout, q, [this] {
            const QString lost = ptt ? ptt->lostReason() : QString();
            if (lost.isEmpty())
                return;
            const bool wasSequence = sequence;
            halt();
            if (wasSequence)
                emit q->finished(false, lost);
            else
                emit q->portWarning(lost);
        });
        QObject::connect(&maxTx, &QTimer::timeout, q, [this] {
            const QString text = QStringLiteral("Durée maximale d'émission atteinte (%1 s) : "
                                                "émetteur relâché.")
                                     .arg(maxSeconds);
            const bool wasSequence = sequence;
            halt();
            emit q->maxTransmitTimeReached(text);
            if (wasSequence)
                emit q->finished(false, text);
        });
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
        // The limit counts from keying (before it, from the stream's start).
        maxTx.start(maxSeconds * 1000);
        watch.start();
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

    bool readTimings(int *leadInMs, QString *error)
    {
        return setting("Emission/LeadInMs", 150, 0, 5000, "ms", leadInMs, error)
               && setting("Emission/TailMs", 100, 0, 5000, "ms", &tailMs, error)
               && setting("Emission/MaxTransmitSeconds", 60, 1, 600, "s", &maxSeconds, error);
    }

    // The whole stream, before anything is keyed. The lead-in is played as
    // silence at the head of the stream rather than waited before opening
    // it: a sound server waking from idle drops the first samples of a
    // stream, and those must not be the first tone's.
    void prepareStream(const QByteArray &tones, int leadInMs)
    {
        pcm.clear();
        cueUs = 0;
        if (!tones.isEmpty()) {
            const qint64 cueFrames = qint64(format.sampleRate()) * CueMs / 1000;
            cueUs = cueFrames * 1000000 / format.sampleRate();
            const qint64 frames = cueFrames + qint64(format.sampleRate()) * leadInMs / 1000;
            pcm = QByteArray(frames * format.bytesPerFrame(),
                             format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0));
            pcm += tones;
        }
        durationUs = ToneLoader::durationUs(format, pcm.size());
    }

    void startTransmission(int leadInMs)
    {
        maxTx.start(maxSeconds * 1000);
        state = State::LeadIn;
        if (pcm.isEmpty()) {
            leadIn.start(leadInMs);
            return;
        }
        startStream();
    }

    void startStream()
    {
        if (pcm.isEmpty()) {
            // Nothing to play: keyed for the lead-in, then released.
            state = State::Tail;
            tail.start(tailMs);
            return;
        }
        buffer.close();
        buffer.setData(pcm);
        buffer.open(QIODevice::ReadOnly);
        sink = std::make_unique<QAudioSink>(device, format);
        QObject::connect(sink.get(), &QAudioSink::stateChanged, q,
                         [this](QAudio::State s) { sinkStateChanged(s); });
        state = state == State::LeadIn && !sequence ? State::Held : State::Playing;
        sinceStream.start();
        sink->start(&buffer);
        endBeforeSoundTeardown(2);
        if (sink && sink->error() != QAudio::NoError && sink->error() != QAudio::UnderrunError) {
            failAudio();
            return;
        }
        if (state == State::Playing)
            watchPlayout();
        else
            poll.start();
        qCDebug(lcTx) << "stream started" << format << durationUs << "us";
    }

    void watchPlayout()
    {
        poll.start();
        bound.start(int(durationUs / 1000) + PlayoutMarginMs);
    }

    void sinkStateChanged(QAudio::State s)
    {
        if (!sink)
            return;
        const QAudio::Error e = sink->error();
        if (s == QAudio::StoppedState && e != QAudio::NoError && e != QAudio::UnderrunError)
            failAudio();
    }

    void failAudio()
    {
        const QString text = QStringLiteral("Erreur de la sortie son « %1 » : émission arrêtée.")
                                 .arg(device.description());
        if (state == State::Held) {
            halt();
            return;
        }
        end(false, text);
    }

    void keyAfterCue()
    {
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
        // The end of the cue is foreseen, as the end of the stream below.
        if (keyPending && cueUs - processed <= PollIntervalMs * 1000) {
            keyPending = false;
            cue.start(int(std::max<qint64>(0, cueUs - processed) / 1000));
        }
        if (state != State::Playing)
            return;
        if (draining) {
            if (processed >= durationUs)
                halt();
            return;
        }
        // Qt never reports more than was written, so an end seen late cannot be
        // told from one seen on time: the end is foreseen instead, within the
        // next poll, and the tail counted from it (rounded up: never cut short).
        const qint64 leftUs = durationUs - processed;
        if (leftUs > PollIntervalMs * 1000)
            return;
        qCDebug(lcTx) << "plays out" << leftUs << "us after" << sinceStream.elapsed() << "ms";
        poll.stop();
        bound.stop();
        state = State::Tail;
        tail.start(int((std::max<qint64>(0, leftUs) + 999) / 1000) + tailMs);
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
        for (QTimer *t : {&leadIn, &poll, &cue, &tail, &bound, &maxTx})
            t->stop();
        stopAudio();
        releasePtt();
        state = State::Idle;
        sequence = false;
        keyPending = false;
        draining = false;
        pcm.clear();
    }

    void end(bool ok, const QString &error)
    {
        const bool wasSequence = sequence;
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
    QByteArray pcm;
    if (!files.isEmpty()) {
        if (!d->openOutput(error))
            return false;
        if (!ToneLoader::prepare(files, d->format, &pcm, error))
            return false;
    }
    int leadInMs = 0;
    if (!d->readTimings(&leadInMs, error))
        return false;
    d->prepareStream(pcm, leadInMs);
    d->sequence = true;
    if (d->pcm.isEmpty()) {
        // Nothing to play: keyed for the lead-in and the tail.
        QString portError;
        if (!d->keyPtt(&portError))
            emit portWarning(portError);
    } else {
        d->keyPending = true;
    }
    d->startTransmission(leadInMs);
    return true;
}

bool Transmitter::startHeld(const QString &file, QString *error)
{
    if (isBusy()) {
        if (error)
            *error = QStringLiteral("Une émission est déjà en cours.");
        return false;
    }
    if (!d->openOutput(error))
        return false;
    QByteArray pcm;
    if (!ToneLoader::prepare({file}, d->format, &pcm, error))
        return false;
    int leadInMs = 0;
    if (!d->readTimings(&leadInMs, error))
        return false;
    d->prepareStream(pcm, leadInMs);
    d->keyPending = true;
    d->sequence = false;
    d->startTransmission(leadInMs);
    return true;
}

void Transmitter::stopHeld()
{
    if (d->sequence)
        return;
    // Released before its tone was out: the tone is finished first.
    if (d->state == Private::State::Held && d->sink && d->sink->processedUSecs() < d->durationUs) {
        d->draining = true;
        d->state = Private::State::Playing;
        d->watchPlayout();
        return;
    }
    if (d->state == Private::State::LeadIn) {
        d->draining = true;
        return;
    }
    d->halt();
}

void Transmitter::stop()
{
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
