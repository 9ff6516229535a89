#include "dtmfcheck.h"

#include "dtmfsynth.h"
#include "core/dtmf.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>

namespace {

// The row tones, then the column tones: keyOf() reads them so.
constexpr std::array<double, 8> Frequencies = [] {
    std::array<double, 8> f{};
    for (int i = 0; i < 4; ++i)
        f[i] = Dtmf::RowHz[i], f[4 + i] = Dtmf::ColumnHz[i];
    return f;
}();

constexpr double BlockSeconds = 0.020;
// A block is sound when its power is within 20 dB of the loudest block and
// above -70 dBFS; quieter blocks are the silence around the tone.
constexpr double RelativeFloor = 0.01;
constexpr double AbsoluteFloor = 1e-7;
// In its group the tone must be 6 dB above the next frequency, carry 15 % of
// the block's power (twist up to about 7 dB), and the pair 60 %.
constexpr double GroupMargin = 4.0;
constexpr double GroupShare = 0.15;
constexpr double PairShare = 0.6;

struct Block
{
    double power = 0;                 // mean square, DC removed
    std::array<double, 8> tone{};     // power at each DTMF frequency
};

Block analyse(const DecodedAudio &a, qint64 first, qint64 count)
{
    Block b;
    const int ch = a.channels;
    auto mono = [&](qint64 i) {
        const float *f = a.samples.data() + (first + i) * ch;
        double s = 0;
        for (int c = 0; c < ch; ++c)
            s += f[c];
        return s / ch;
    };
    double mean = 0;
    for (qint64 i = 0; i < count; ++i)
        mean += mono(i);
    mean /= double(count);
    std::array<double, 8> coeff, s1{}, s2{};
    for (size_t k = 0; k < Frequencies.size(); ++k)
        coeff[k] = 2 * std::cos(2 * std::numbers::pi * Frequencies[k] / a.sampleRate);
    double energy = 0;
    for (qint64 i = 0; i < count; ++i) {
        const double x = mono(i) - mean;
        energy += x * x;
        for (size_t k = 0; k < Frequencies.size(); ++k) {
            const double s = x + coeff[k] * s1[k] - s2[k];
            s2[k] = s1[k];
            s1[k] = s;
        }
    }
    b.power = energy / double(count);
    // |X|^2 * 2 / N^2 is the mean square of a sine at that frequency.
    const double n2 = double(count) * double(count);
    for (size_t k = 0; k < Frequencies.size(); ++k)
        b.tone[k] = std::max(0.0, (s1[k] * s1[k] + s2[k] * s2[k] - coeff[k] * s1[k] * s2[k]) * 2 / n2);
    return b;
}

// The key of one block, or a null QChar.
QChar keyOf(const Block &b)
{
    auto strongest = [&](int from, int *index) {
        int best = from;
        for (int k = from + 1; k < from + 4; ++k)
            if (b.tone[k] > b.tone[best])
                best = k;
        double second = 0;
        for (int k = from; k < from + 4; ++k)
            if (k != best)
                second = std::max(second, b.tone[k]);
        *index = best - from;
        return b.tone[best] >= GroupMargin * second && b.tone[best] >= GroupShare * b.power;
    };
    int row = 0, col = 0;
    if (!strongest(0, &row) || !strongest(4, &col))
        return {};
    if (b.tone[row] + b.tone[4 + col] < PairShare * b.power)
        return {};
    return QLatin1Char(Dtmf::Layout[row][col]);
}

QString pairText(QChar key)
{
    DtmfSynth::Pair p;
    DtmfSynth::pair(key, &p);
    return QStringLiteral("%1 Hz + %2 Hz").arg(p.low).arg(p.high);
}

} // namespace

namespace DtmfCheck {

QChar keyOfFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (!name.endsWith(QLatin1String(".wav")))
        return {};
    QChar key;
    if (name.size() == 7 && name.startsWith(QLatin1String("2f")))
        key = name.at(2) == QLatin1Char('+') ? QLatin1Char('*') : name.at(2);
    else if (name.size() == 6 && name.startsWith(QLatin1Char('f')))
        key = name.at(1);
    return !key.isNull() && Dtmf::isKey(key) ? key : QChar();
}

Result detect(const DecodedAudio &audio)
{
    Result r;
    const qint64 frames = audio.frames();
    if (audio.sampleRate <= 0 || audio.channels <= 0 || frames <= 0)
        return r;
    const qint64 size = std::max<qint64>(1, std::llround(audio.sampleRate * BlockSeconds));
    std::vector<Block> blocks;
    for (qint64 first = 0; first < frames; first += size) {
        const qint64 count = std::min(size, frames - first);
        // A short last block says too little about frequency.
        if (count * 2 < size && !blocks.empty())
            break;
        blocks.push_back(analyse(audio, first, count));
    }
    double loudest = 0;
    for (const Block &b : blocks)
        loudest = std::max(loudest, b.power);
    std::map<char, int> found;
    for (const Block &b : blocks) {
        if (b.power < AbsoluteFloor || b.power < RelativeFloor * loudest)
            continue;
        ++r.activeBlocks;
        const QChar k = keyOf(b);
        if (!k.isNull())
            ++found[k.toLatin1()];
    }
    std::vector<std::pair<int, char>> byCount;
    for (const auto &[k, n] : found)
        byCount.emplace_back(n, k);
    std::sort(byCount.begin(), byCount.end(), std::greater<>());
    for (const auto &[n, k] : byCount)
        r.keys += QLatin1Char(k);
    if (!byCount.empty())
        r.keyBlocks = byCount.front().first;
    return r;
}

bool holdsKey(const DecodedAudio &audio, QChar key, QString *why)
{
    const Result r = detect(audio);
    QString reason;
    if (r.keys.isEmpty())
        reason = QStringLiteral("aucune tonalité DTMF nette ; la touche « %1 » demande %2")
                     .arg(key)
                     .arg(pairText(key));
    else if (r.keys.size() > 1)
        reason = QStringLiteral("plusieurs touches DTMF (%1) au lieu de la seule touche « %2 »")
                     .arg(r.keys, QString(key));
    else if (r.keys.at(0) != key)
        reason = QStringLiteral("il contient la touche « %1 » (%2) et non la touche « %3 » (%4)")
                     .arg(r.keys.at(0))
                     .arg(pairText(r.keys.at(0)))
                     .arg(key)
                     .arg(pairText(key));
    else if (r.keyBlocks * 2 < r.activeBlocks)
        reason = QStringLiteral("la touche « %1 » n'occupe qu'une petite partie du son").arg(key);
    if (why)
        *why = reason;
    return reason.isEmpty();
}

} // namespace DtmfCheck
