#include "toneloader.h"

#include "core/systemerrors.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QString unreadable(const QString &path, const QString &why)
{
    return QStringLiteral("Fichier son illisible : %1 (%2)").arg(path, why);
}

// Sample j of the output, channel mapping already applied, from source frame
// position pos (fractional).
float sampleAt(const DecodedAudio &a, double pos, int outChannel, int outChannels)
{
    const qint64 frames = a.frames();
    qint64 i0 = qint64(std::floor(pos));
    const double frac = pos - double(i0);
    i0 = std::clamp<qint64>(i0, 0, frames - 1);
    const qint64 i1 = std::min(i0 + 1, frames - 1);

    auto mapped = [&](qint64 frame) {
        const float *f = a.samples.data() + frame * a.channels;
        double sum = 0;
        int n = 0;
        for (int c = outChannel; c < a.channels; c += outChannels) {
            sum += f[c];
            ++n;
        }
        return n ? float(sum / n) : f[outChannel % a.channels];
    };
    const float s0 = mapped(i0);
    if (frac == 0.0 || i1 == i0)
        return s0;
    return float(s0 + (mapped(i1) - s0) * frac);
}

void write(char *&out, float v, QAudioFormat::SampleFormat format)
{
    v = std::clamp(v, -1.0f, 1.0f);
    switch (format) {
    case QAudioFormat::UInt8: {
        const quint8 s = quint8(std::lround(v * 127.0f) + 128);
        *out++ = char(s);
        break;
    }
    case QAudioFormat::Int16: {
        const qint16 s = qint16(std::lround(v * 32767.0f));
        std::memcpy(out, &s, sizeof s);
        out += sizeof s;
        break;
    }
    case QAudioFormat::Int32: {
        const qint32 s = qint32(std::llround(double(v) * 2147483647.0));
        std::memcpy(out, &s, sizeof s);
        out += sizeof s;
        break;
    }
    case QAudioFormat::Float:
        std::memcpy(out, &v, sizeof v);
        out += sizeof v;
        break;
    default:
        break;
    }
}

} // namespace

namespace ToneLoader {

bool decode(const QString &path, DecodedAudio *out, QString *error)
{
    *out = DecodedAudio{};
    if (!QFile::exists(path)) {
        if (error)
            *error = unreadable(path, QStringLiteral("fichier absent"));
        return false;
    }
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) {
        if (error)
            *error = unreadable(path, SystemErrors::soundFile(sf_error(nullptr), QString::fromLocal8Bit(sf_strerror(nullptr))));
        return false;
    }
    if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0) {
        sf_close(f);
        if (error)
            *error = unreadable(path, QStringLiteral("aucun son"));
        return false;
    }
    // Integer files scaled to [-1, 1) exactly rather than to the peak.
    sf_command(f, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    out->sampleRate = info.samplerate;
    out->channels = info.channels;
    out->samples.resize(size_t(info.frames) * size_t(info.channels));
    const sf_count_t got = sf_readf_float(f, out->samples.data(), info.frames);
    sf_close(f);
    if (got <= 0) {
        *out = DecodedAudio{};
        if (error)
            *error = unreadable(path, QStringLiteral("lecture impossible"));
        return false;
    }
    out->samples.resize(size_t(got) * size_t(info.channels));
    return true;
}

QByteArray convert(const DecodedAudio &audio, const QAudioFormat &format)
{
    const int outRate = format.sampleRate();
    const int outChannels = format.channelCount();
    const int bytesPerSample = format.bytesPerSample();
    if (audio.frames() == 0 || outRate <= 0 || outChannels <= 0 || bytesPerSample <= 0)
        return {};
    const qint64 outFrames =
        audio.sampleRate == outRate
            ? audio.frames()
            : std::llround(double(audio.frames()) * outRate / audio.sampleRate);
    QByteArray pcm(outFrames * outChannels * bytesPerSample, Qt::Uninitialized);
    char *p = pcm.data();
    const double step = double(audio.sampleRate) / outRate;
    for (qint64 j = 0; j < outFrames; ++j) {
        const double pos = double(j) * step;
        for (int k = 0; k < outChannels; ++k)
            write(p, sampleAt(audio, pos, k, outChannels), format.sampleFormat());
    }
    return pcm;
}

bool prepare(const QStringList &files, const QAudioFormat &format, QByteArray *pcm, QString *error)
{
    pcm->clear();
    QList<QByteArray> parts;
    qint64 total = 0;
    for (const QString &file : files) {
        DecodedAudio audio;
        if (!decode(file, &audio, error))
            return false;
        parts << convert(audio, format);
        if (parts.last().isEmpty()) {
            if (error)
                *error = unreadable(file, QStringLiteral("format de sortie inutilisable"));
            return false;
        }
        total += parts.last().size();
    }
    pcm->reserve(total);
    for (const QByteArray &part : parts)
        pcm->append(part);
    return true;
}

qint64 durationUs(const QAudioFormat &format, qint64 bytes)
{
    const int bytesPerFrame = format.bytesPerFrame();
    if (bytesPerFrame <= 0 || format.sampleRate() <= 0)
        return 0;
    return (bytes / bytesPerFrame) * 1000000 / format.sampleRate();
}

} // namespace ToneLoader
