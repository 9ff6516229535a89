#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Decoded audio of one file: interleaved float samples in [-1, 1].
struct DecodedAudio
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples;

    qint64 frames() const { return channels > 0 ? qint64(samples.size()) / channels : 0; }
};

namespace ToneLoader {

// Bounds of a tone file: anything outside is refused before it is decoded.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
constexpr int MaxSeconds = 10;
constexpr int MinSampleRate = 8000;
constexpr int MaxSampleRate = 192000;
constexpr int MaxChannels = 2;

// Reads any file libsndfile understands. An unreadable, missing or empty file,
// one that is not a regular file (a FIFO would block), too big, too long or
// at a sample rate outside 8 to 192 kHz is refused with a French message
// naming it.
bool decode(const QString &path, DecodedAudio *out, QString *error);
// The same on the file's bytes; `path` only names it in messages.
bool decodeBytes(const QByteArray &bytes, const QString &path, DecodedAudio *out, QString *error);

// A file whose name is a DTMF key's ("f5.wav", "2f+.wav") must hold that
// key's pair and nothing else; other names pass as they are.
bool checkTone(const QString &path, const DecodedAudio &audio, QString *error);

// Resamples (linear interpolation), maps the channels and writes the sample
// format of `format`. Mono is copied to every output channel; more channels
// than the output has are mixed down.
QByteArray convert(const DecodedAudio &audio, const QAudioFormat &format);

// Every file decoded, checked (checkTone, when checkDtmf) and converted,
// concatenated in order with nothing added between them. Fails on the first
// file that cannot be used; *pcm is then empty.
bool prepare(const QStringList &files, const QAudioFormat &format, bool checkDtmf, QByteArray *pcm,
             QString *error);

// Length of converted audio in microseconds.
qint64 durationUs(const QAudioFormat &format, qint64 bytes);

} // namespace ToneLoader
