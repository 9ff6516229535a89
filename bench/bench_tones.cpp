// Time to decode and prepare a 20-key sequence for the sink (44.1 kHz stereo
// Int16 and 48 kHz float), from 8 kHz mono tone files.
#include "audio/toneloader.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <vector>

namespace {

QTemporaryDir *folder()
{
    static QTemporaryDir dir;
    return &dir;
}

QStringList makeFiles()
{
    static QStringList files;
    if (!files.isEmpty())
        return files;
    const char *keys = "0123456789";
    for (int k = 0; k < 10; ++k) {
        const QString path = folder()->filePath(QStringLiteral("f%1.wav").arg(keys[k]));
        std::vector<short> s(1600, 0);
        for (int i = 0; i < 800; ++i)
            s[i] = short(8000 * (std::sin(2 * M_PI * (697 + 20 * k) * i / 8000.0)
                                 + std::sin(2 * M_PI * (1209 + 30 * k) * i / 8000.0)));
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        sf_writef_short(f, s.data(), sf_count_t(s.size()));
        sf_close(f);
    }
    for (int i = 0; i < 20; ++i)
        files << folder()->filePath(QStringLiteral("f%1.wav").arg(keys[i % 10]));
    return files;
}

void prepare(benchmark::State &state, int rate, QAudioFormat::SampleFormat sf)
{
    const QStringList files = makeFiles();
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(2);
    format.setSampleFormat(sf);
    QByteArray pcm;
    QString error;
    for (auto _ : state) {
        if (!ToneLoader::prepare(files, format, true, &pcm, &error))
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(pcm.data());
    }
    state.counters["audio_ms"] = double(ToneLoader::durationUs(format, pcm.size())) / 1000.0;
}

void BM_Prepare20Keys_44100_Int16(benchmark::State &s) { prepare(s, 44100, QAudioFormat::Int16); }
void BM_Prepare20Keys_48000_Float(benchmark::State &s) { prepare(s, 48000, QAudioFormat::Float); }

} // namespace

BENCHMARK(BM_Prepare20Keys_44100_Int16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prepare20Keys_48000_Float)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
