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

// Reads any file libsndfile understands. An unreadable, missing or empty file
// is refused with a French message naming it.
bool decode(const QString &path, DecodedAudio *out, QString *error);

// Resamples (linear interpolation), maps the channels and writes the sample
// format of `format`. Mono is copied to every output channel; more channels
// than the output has are mixed down.
QByteArray convert(const DecodedAudio &audio, const QAudioFormat &format);

// Every file decoded and converted, concatenated in order with nothing added
// between them. Fails on the first file that cannot be used; *pcm is then empty.
bool prepare(const QStringList &files, const QAudioFormat &format, QByteArray *pcm, QString *error);

// Length of converted audio in microseconds.
qint64 durationUs(const QAudioFormat &format, qint64 bytes);

} // namespace ToneLoader
