#include "dtmfsynth.h"

#include "core/dtmf.h"
#include "core/systemerrors.h"

#include <QFile>

#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace DtmfSynth {

bool pair(QChar key, Pair *out)
{
    const char c = key.toUpper().toLatin1();
    if (c == 0)
        return false;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k)
            if (Dtmf::Layout[r][k] == c) {
                if (out)
                    *out = Pair{Dtmf::RowHz[r], Dtmf::ColumnHz[k]};
                return true;
            }
    return false;
}

QVector<qint16> samples(QChar key, const ToneShape &shape)
{
    Pair p;
    if (!pair(key, &p) || shape.sampleRate <= 0)
        return {};
    const int toneLen = int(std::lround(shape.toneMs * shape.sampleRate / 1000.0));
    const int silenceLen = int(std::lround(shape.silenceMs * shape.sampleRate / 1000.0));
    const int fadeLen = std::min(toneLen / 2, int(std::lround(shape.fadeMs * shape.sampleRate / 1000.0)));
    // Each sine gets half the peak so their sum never exceeds it.
    const double amplitude = 0.5 * std::pow(10.0, shape.peakDbfs / 20.0) * 32767.0;
    const double w1 = 2 * std::numbers::pi * p.low / shape.sampleRate;
    const double w2 = 2 * std::numbers::pi * p.high / shape.sampleRate;

    QVector<qint16> out(toneLen + silenceLen, 0);
    for (int n = 0; n < toneLen; ++n) {
        double gain = 1.0;
        const int fromEdge = std::min(n, toneLen - 1 - n);
        if (fromEdge < fadeLen)
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (fromEdge + 0.5) / fadeLen);
        const double v = amplitude * gain * (std::sin(w1 * n) + std::sin(w2 * n));
        out[n] = qint16(std::lround(std::clamp(v, -32768.0, 32767.0)));
    }
    return out;
}

bool writeWav(const QString &path, const QVector<qint16> &data, int sampleRate, QString *error)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) {
        if (error)
            *error = QStringLiteral("Impossible de créer %1 : %2").arg(path, SystemErrors::soundFile(sf_error(nullptr), QString::fromLocal8Bit(sf_strerror(nullptr))));
        return false;
    }
    const sf_count_t written = sf_write_short(f, data.constData(), data.size());
    const int closed = sf_close(f);
    if (written != data.size() || closed != 0) {
        if (error)
            *error = QStringLiteral("Écriture incomplète de %1.").arg(path);
        return false;
    }
    return true;
}

bool writeTone(const QString &path, QChar key, const ToneShape &shape, QString *error)
{
    const QVector<qint16> s = samples(key, shape);
    if (s.isEmpty()) {
        if (error)
            *error = QStringLiteral("« %1 » n'est pas une touche DTMF.").arg(key);
        return false;
    }
    return writeWav(path, s, shape.sampleRate, error);
}

} // namespace DtmfSynth
