#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>

#include <functional>
#include <memory>

class QAudioSink;
class QIODevice;

// The sound of one transmission: a stream that plays silence until the tones
// are placed, once the line is up, then the tones. The first tone is placed
// the lead-in after what is heard at that moment, so that a process keyed
// late lengthens the lead-in and never shortens it; until then the server is
// given no more silence than it asks for, the least that may be on its way.
class ToneStream
{
public:
    ToneStream();
    ~ToneStream();

    // Opens the stream and gives the server its first silence; false when it
    // refuses it. `failed` is called when the sink stops on an error later.
    bool start(const QAudioDevice &device, const QAudioFormat &format, QByteArray tones, int leadInMs,
               std::function<void()> failed);
    // Gives the server what it may play next; called often (every few ms).
    // False once the stream is gone (its output unplugged, the server ended).
    bool feed();
    // The server has really played the silent head of the stream.
    bool headPlayed() const;
    // Once keyed: the first tone goes the lead-in after what is heard now.
    void placeTones();
    // What is left to play of the whole stream (foreseen until placed).
    qint64 leftUs() const;
    qint64 elapsedMs() const { return m_since.elapsed(); }
    // Stops the sound at once.
    void stop();

private:
    qint64 bytesFor(qint64 us) const { return qint64(m_format.bytesForDuration(us)); }

    QAudioFormat m_format;
    QByteArray m_tones;        // converted to m_format
    int m_leadInMs = 0;
    qint64 m_cueUs = 0;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice *m_io = nullptr; // the sink's, fed as it plays
    qint64 m_written = 0;      // bytes of the stream given to the server
    qint64 m_firstAsk = -1;    // the server's first request; -1: none yet
    qint64 m_toneAt = -1;      // where the tones start in it; -1: not placed yet
    qint64 m_durationUs = 0;   // of the whole stream (foreseen until placed)
    QElapsedTimer m_since;
};
