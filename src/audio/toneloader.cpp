#include "toneloader.h"

#include "dtmfcheck.h"
#include "core/systemerrors.h"

#include <QFile>

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

QString unreadable(const QString &path, const QString &why)
{
    return QStringLiteral("Fichier son illisible : %1 (%2)").arg(path, why);
}

QString refused(const QString &path, const QString &why)
{
    return QStringLiteral("Fichier son refusé : %1 (%2)").arg(path, why);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// libsndfile reading from memory.
struct Memory
{
    const QByteArray *bytes;
    sf_count_t pos = 0;
};

sf_count_t memLength(void *user)
{
    return static_cast<Memory *>(user)->bytes->size();
}

sf_count_t memSeek(sf_count_t offset, int whence, void *user)
{
    auto *m = static_cast<Memory *>(user);
    const sf_count_t size = m->bytes->size();
    sf_count_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? size : 0;
    if (offset > size || offset < -size)
        return -1;
    const sf_count_t to = base + offset;
    if (to < 0 || to > size)
        return -1;
    m->pos = to;
    return to;
}

sf_count_t memRead(void *ptr, sf_count_t count, void *user)
{
    auto *m = static_cast<Memory *>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->bytes->size() - m->pos, 0, std::max<sf_count_t>(count, 0));
    std::memcpy(ptr, m->bytes->constData() + m->pos, size_t(n));
    m->pos += n;
    return n;
}

sf_count_t memWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t memTell(void *user)
{
    return static_cast<Memory *>(user)->pos;
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
    v = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
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
    // Non-blocking, and the type checked on the open descriptor: a FIFO or a
    // device put in place of a tone file must not hang the window.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        return fail(error, unreadable(path, SystemErrors::file(err)));
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(error, refused(path, QStringLiteral("ce n'est pas un fichier ordinaire")));
    }
    if (st.st_size > MaxFileBytes) {
        ::close(fd);
        return fail(error, refused(path, QStringLiteral("%1 Mo, au plus %2 Mo")
                                             .arg(st.st_size / (1024 * 1024))
                                             .arg(MaxFileBytes / (1024 * 1024))));
    }
    // One bounded read; a file that grows meanwhile is cut one byte past its
    // size, and refused by decodeBytes when that passes the bound.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    const int readErrno = errno;
    ::close(fd);
    if (got == 0 && st.st_size > 0)
        return fail(error, unreadable(path, SystemErrors::file(readErrno)));
    bytes.truncate(got);
    return decodeBytes(bytes, path, out, error);
}

bool decodeBytes(const QByteArray &bytes, const QString &path, DecodedAudio *out, QString *error)
{
    *out = DecodedAudio{};
    if (bytes.size() > MaxFileBytes)
        return fail(error, refused(path, QStringLiteral("plus de %1 Mo").arg(MaxFileBytes / (1024 * 1024))));
    Memory memory{&bytes};
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info{};
    SNDFILE *f = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!f)
        return fail(error, unreadable(path, SystemErrors::soundFile(sf_error(nullptr), QString::fromLocal8Bit(sf_strerror(nullptr)))));
    QString why;
    if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0)
        why = unreadable(path, QStringLiteral("aucun son"));
    else if (info.samplerate < MinSampleRate || info.samplerate > MaxSampleRate)
        why = refused(path, QStringLiteral("fréquence d'échantillonnage de %1 Hz, attendue entre %2 et %3 Hz")
                                .arg(info.samplerate)
                                .arg(MinSampleRate)
                                .arg(MaxSampleRate));
    else if (info.channels > MaxChannels)
        why = refused(path, QStringLiteral("%1 canaux, au plus %2").arg(info.channels).arg(MaxChannels));
    else if (info.frames > sf_count_t(MaxSeconds) * info.samplerate)
        why = refused(path, QStringLiteral("son de %1 s, au plus %2 s")
                                .arg(QString::number(double(info.frames) / info.samplerate, 'f', 1)
                                         .replace(QLatin1Char('.'), QLatin1Char(',')))
                                .arg(MaxSeconds));
    if (!why.isEmpty()) {
        sf_close(f);
        return fail(error, why);
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
        return fail(error, unreadable(path, QStringLiteral("lecture impossible")));
    }
    out->samples.resize(size_t(got) * size_t(info.channels));
    // Damaged data can decode to NaN or infinities: never let them reach the sink.
    for (float &v : out->samples)
        if (!std::isfinite(v))
            v = 0;
    return true;
}

bool checkTone(const QString &path, const DecodedAudio &audio, QString *error)
{
    const QChar key = DtmfCheck::keyOfFile(path);
    if (key.isNull())
        return true;
    QString why;
    if (DtmfCheck::holdsKey(audio, key, &why))
        return true;
    return fail(error, refused(path, why));
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

bool prepare(const QStringList &files, const QAudioFormat &format, bool checkDtmf, QByteArray *pcm,
             QString *error)
{
    pcm->clear();
    QList<QByteArray> parts;
    qint64 total = 0;
    for (const QString &file : files) {
        DecodedAudio audio;
        if (!decode(file, &audio, error))
            return false;
        if (checkDtmf && !checkTone(file, audio, error))
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
