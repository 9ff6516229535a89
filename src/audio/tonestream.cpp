#include "tonestream.h"

#include "toneloader.h"

#include <QAudioSink>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcTx)

// Ends the process before the sound system's teardown (transmitter_output.cpp).
void endBeforeSoundTeardown(int step);

namespace {

// Silence played before keying: the line goes up once the server has really
// played it, whatever its start-up time. A server waking from idle also drops
// the first samples of a stream, and those must not be the first tone's.
constexpr int CueMs = 60;
// The server's target before keying: what may be on its way when the line
// goes up, and so the shortest lead-in that comes out as set; a shorter one
// comes out about this long.
constexpr int AheadFloorMs = 20;
constexpr int AheadCeilingMs = 200;
// Once keyed, the stream is fed this far ahead, so that a busy machine does
// not starve it mid-tone (bounded: the server refuses more than a few MiB).
constexpr int FeedAheadMs = 500;
constexpr qint64 FeedAheadMaxBytes = 1 << 20;
// Added to the lead-in when the first tone is placed: what the server has
// played is known within a few ms on a busy machine, and a lead-in a little
// long loses nothing where one a little short loses the head of a tone.
constexpr int PlacementMarginUs = 3000;

} // namespace

ToneStream::ToneStream() = default;

ToneStream::~ToneStream()
{
    stop();
}

bool ToneStream::start(const QAudioDevice &device, const QAudioFormat &format, QByteArray tones, int leadInMs,
                       std::function<void()> failed)
{
    stop();
    m_format = format;
    m_tones = std::move(tones);
    m_leadInMs = leadInMs;
    m_cueUs = ToneLoader::durationUs(format, bytesFor(CueMs * 1000));
    m_written = 0;
    m_firstAsk = -1;
    m_toneAt = -1;
    m_durationUs = m_cueUs + qint64(leadInMs) * 1000 + ToneLoader::durationUs(format, m_tones.size());
    m_sink = std::make_unique<QAudioSink>(device, format);
    // The server starts playing once its target is queued.
    m_sink->setBufferSize(bytesFor(std::clamp(leadInMs, AheadFloorMs, AheadCeilingMs) * 1000));
    QObject::connect(m_sink.get(), &QAudioSink::stateChanged, m_sink.get(), [this, failed](QAudio::State s) {
        const QAudio::Error e = m_sink->error();
        if (s == QAudio::StoppedState && e != QAudio::NoError && e != QAudio::UnderrunError)
            failed();
    });
    m_since.start();
    m_io = m_sink->start();
    endBeforeSoundTeardown(2);
    if (!m_io || (m_sink->error() != QAudio::NoError && m_sink->error() != QAudio::UnderrunError) || !feed())
        return false;
    qCDebug(lcTx) << "stream started" << format;
    return true;
}

bool ToneStream::feed()
{
    if (!m_io)
        return true;
    qint64 free = m_sink->bytesFree();
    if (free < 0)
        return false;
    // The server's first request is what it holds; what it asks beyond that,
    // it has played.
    if (m_firstAsk < 0 && free > 0)
        m_firstAsk = free;
    const qint64 asked = m_written + free;
    qint64 target = asked;
    if (m_toneAt >= 0) {
        const qint64 ahead = bytesFor(m_sink->processedUSecs()) + std::min(bytesFor(FeedAheadMs * 1000), FeedAheadMaxBytes);
        target = std::min(m_toneAt + m_tones.size(), std::max(asked, ahead));
    }
    static const int SilenceBlock = 16384;
    const char blank = m_format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0);
    // A stream gone is never written to: Qt 6.4 then keeps the sound
    // system's lock, and the process hangs at the next use of it. It is
    // asked again before each write, the server may end at any time.
    for (; m_written < target; free = m_sink->bytesFree()) {
        if (free < 0)
            return false;
        qint64 n;
        if (m_toneAt < 0 || m_written < m_toneAt) {
            const qint64 upTo = m_toneAt < 0 ? target : std::min(target, m_toneAt);
            n = m_io->write(QByteArray(int(std::min<qint64>(upTo - m_written, SilenceBlock)), blank));
        } else {
            n = m_io->write(m_tones.constData() + (m_written - m_toneAt), target - m_written);
        }
        if (n <= 0)
            return m_sink->error() != QAudio::IOError;
        m_written += n;
    }
    return true;
}

// Qt's count runs on with the clock from the server's last report, also while
// the server holds the stream back or does not play at all; what the server
// asked for does not.
bool ToneStream::headPlayed() const
{
    return m_io && m_firstAsk >= 0 && m_written + m_sink->bytesFree() - m_firstAsk >= bytesFor(m_cueUs)
           && m_sink->processedUSecs() >= m_cueUs;
}

// Right after what was already sent when that is later than the lead-in.
void ToneStream::placeTones()
{
    if (!m_io)
        return;
    const qint64 heard = bytesFor(m_sink->processedUSecs());
    m_toneAt = std::max(m_written, heard + bytesFor(qint64(m_leadInMs) * 1000 + PlacementMarginUs));
    m_durationUs = ToneLoader::durationUs(m_format, m_toneAt + m_tones.size());
    qCDebug(lcTx) << "tones placed" << ToneLoader::durationUs(m_format, m_toneAt - heard) << "us after keying";
    feed(); // a stream gone is reported by the next poll
}

// The server's count of samples played, not of samples written: the sink
// goes idle while its last buffer is still being played.
qint64 ToneStream::leftUs() const
{
    return m_sink ? m_durationUs - m_sink->processedUSecs() : 0;
}

void ToneStream::stop()
{
    if (m_sink) {
        m_sink->disconnect();
        m_sink->stop();
        // Qt 6.4's PulseAudio sink still gets stream callbacks for a moment
        // after stop(); deleting it at once let them write into freed memory.
        QTimer::singleShot(1000, m_sink.release(), &QObject::deleteLater);
    }
    m_io = nullptr;
    m_tones.clear();
}
