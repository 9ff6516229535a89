#include "transmitter.h"

#include "serial/ptt.h"
#include "toneloader.h"

#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QSettings>
#include <QTimer>

#include <memory>

Q_LOGGING_CATEGORY(lcTx, "pontavel.transmitter", QtInfoMsg)

namespace {

// Slack given to the sound server beyond the stream's own length before a
// play-out that never completes counts as a failure.
constexpr int PlayoutMarginMs = 2000;
constexpr int PollIntervalMs = 5;

int setting(const char *key, int fallback, int minimum)
{
    bool ok = false;
    const int v = QSettings().value(QLatin1String(key), fallback).toInt(&ok);
    return ok && v >= minimum ? v : fallback;
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
    SerialPtt ptt;
    State state = State::Idle;
    bool sequence = false;   // a sequence (not a held tone) is running
    QAudioFormat format;
    QAudioDevice device;
    QByteArray pcm;
    QBuffer buffer;
    std::unique_ptr<QAudioSink> sink;
    qint64 durationUs = 0;
    int tailMs = 0;
    int maxSeconds = 0;
    QElapsedTimer sinceStream;
    QTimer leadIn, poll, tail, bound, maxTx;

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
        QObject::connect(&leadIn, &QTimer::timeout, q, [this] { startStream(); });
        QObject::connect(&poll, &QTimer::timeout, q, [this] { checkPlayout(); });
        QObject::connect(&tail, &QTimer::timeout, q, [this] { end(true, {}); });
        QObject::connect(&bound, &QTimer::timeout, q, [this] {
            end(false, QStringLiteral("La lecture des tons ne s'est pas terminée à temps : "
                                      "émission arrêtée."));
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
        device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            if (error)
                *error = QStringLiteral("Aucune sortie son disponible : les tons ne peuvent pas "
                                        "être émis.");
            return false;
        }
        format = Transmitter::outputFormat(device);
        if (!format.isValid()) {
            if (error)
                *error = QStringLiteral("La sortie son « %1 » n'accepte aucun format utilisable.")
                             .arg(device.description());
            return false;
        }
        return true;
    }

    void readTimings(int *leadInMs)
    {
        *leadInMs = setting("Emission/LeadInMs", 150, 0);
        tailMs = setting("Emission/TailMs", 100, 0);
        maxSeconds = setting("Emission/MaxTransmitSeconds", 60, 1);
    }

    // The lead-in is played as silence at the head of the stream rather than
    // waited before opening it: a sound server waking from idle drops the
    // first samples of a stream, and those must not be the first tone's.
    void startTransmission(int leadInMs)
    {
        maxTx.start(maxSeconds * 1000);
        state = State::LeadIn;
        if (pcm.isEmpty()) {
            leadIn.start(leadInMs);
            return;
        }
        const qint64 frames = qint64(format.sampleRate()) * leadInMs / 1000;
        QByteArray silence(frames * format.bytesPerFrame(),
                           format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0));
        pcm.prepend(silence);
        durationUs = ToneLoader::durationUs(format, pcm.size());
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
        if (sink && sink->error() != QAudio::NoError && sink->error() != QAudio::UnderrunError) {
            failAudio();
            return;
        }
        if (state == State::Playing) {
            poll.start();
            bound.start(int(durationUs / 1000) + PlayoutMarginMs);
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

    // The server's count of samples played, not of samples written: the sink
    // goes idle while its last buffer is still being played.
    void checkPlayout()
    {
        if (!sink || state != State::Playing)
            return;
        const qint64 processed = sink->processedUSecs();
        if (processed < durationUs)
            return;
        qCDebug(lcTx) << "played out" << processed << "us after" << sinceStream.elapsed() << "ms";
        poll.stop();
        bound.stop();
        state = State::Tail;
        tail.start(tailMs);
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
        for (QTimer *t : {&leadIn, &poll, &tail, &bound, &maxTx})
            t->stop();
        stopAudio();
        ptt.release();
        state = State::Idle;
        sequence = false;
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

Transmitter::Transmitter(QObject *parent) : QObject(parent), d(new Private(this)) {}

Transmitter::~Transmitter()
{
    d->halt();
    delete d;
}

void Transmitter::configurePort(int comNumber, const QString &settings)
{
    d->ptt.configure(comNumber, settings);
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
    d->readTimings(&leadInMs);
    d->pcm = pcm;
    d->durationUs = ToneLoader::durationUs(d->format, pcm.size());
    d->sequence = true;
    QString portError;
    if (!d->ptt.key(&portError))
        emit portWarning(portError);
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
    if (!d->ptt.key(error))
        return false;
    int leadInMs = 0;
    d->readTimings(&leadInMs);
    d->pcm = pcm;
    d->durationUs = ToneLoader::durationUs(d->format, pcm.size());
    d->sequence = false;
    d->startTransmission(leadInMs);
    return true;
}

void Transmitter::stopHeld()
{
    if (!d->sequence)
        d->halt();
}

void Transmitter::stop()
{
    if (d->state == Private::State::Idle) {
        d->ptt.release();
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
    return d->ptt.isKeyed();
}
