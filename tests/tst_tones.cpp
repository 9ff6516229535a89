// Decoding tone files with libsndfile and converting them to the sink's format.
#include "audio/dtmfcheck.h"
#include "audio/dtmfsynth.h"
#include "audio/toneloader.h"
#include "pulsefixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Writes frames of interleaved float samples in the given file format.
bool writeFile(const QString &path, int rate, int channels, int format, const std::vector<float> &samples)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const sf_count_t frames = sf_count_t(samples.size()) / channels;
    const bool ok = sf_writef_float(f, samples.data(), frames) == frames;
    sf_close(f);
    return ok;
}

std::vector<float> sine(int frames, int rate, double hz, double amp, int channels = 1)
{
    std::vector<float> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(float(amp * std::sin(2 * M_PI * hz * i / rate) * (c == 0 ? 1.0 : -0.5)));
    return s;
}

QAudioFormat fmt(int rate, int channels, QAudioFormat::SampleFormat sf)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(sf);
    return f;
}

qint16 s16(const QByteArray &pcm, qint64 index)
{
    qint16 v;
    std::memcpy(&v, pcm.constData() + index * 2, 2);
    return v;
}

} // namespace

class TstTones : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &n) { return dir.filePath(n); }

    // The pair of `key` (or a plain sine when key is null) as written by libsndfile.
    bool writeKey(const QString &name, QChar key, int rate, int channels, int format, double ms = 100)
    {
        DtmfSynth::Pair p{1000, 0};
        if (!key.isNull())
            DtmfSynth::pair(key, &p);
        std::vector<float> s;
        const int frames = int(rate * ms / 1000);
        for (int i = 0; i < frames + rate / 20; ++i)
            for (int c = 0; c < channels; ++c)
                s.push_back(i >= frames ? 0.0f : float(0.15 * (std::sin(2 * M_PI * p.low * i / rate)
                                                              + std::sin(2 * M_PI * p.high * i / rate))));
        return writeFile(path(name), rate, channels, format, s);
    }

    QString refusal(const QStringList &files)
    {
        QByteArray pcm;
        QString err;
        if (ToneLoader::prepare(files, fmt(44100, 2, QAudioFormat::Int16), &pcm, &err))
            return {};
        return pcm.isEmpty() ? err : QStringLiteral("<pcm left>");
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void decodesFormatsLibsndfileReads()
    {
        // 8000 Hz mono 16-bit, 22050 Hz float, 48000 Hz stereo.
        const auto a = sine(800, 8000, 1000, 0.5);
        QVERIFY(writeFile(path("a.wav"), 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, a));
        const auto b = sine(2205, 22050, 440, 0.25);
        QVERIFY(writeFile(path("b.wav"), 22050, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, b));
        const auto c = sine(4800, 48000, 697, 0.3, 2);
        QVERIFY(writeFile(path("c.wav"), 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, c));

        DecodedAudio d;
        QString err;
        QVERIFY2(ToneLoader::decode(path("a.wav"), &d, &err), qPrintable(err));
        QCOMPARE(d.sampleRate, 8000);
        QCOMPARE(d.channels, 1);
        QCOMPARE(d.frames(), 800);
        QVERIFY(std::abs(d.samples[2] - a[2]) < 1e-4);

        QVERIFY(ToneLoader::decode(path("b.wav"), &d, &err));
        QCOMPARE(d.sampleRate, 22050);
        QCOMPARE(d.frames(), 2205);
        QCOMPARE(d.samples[100], b[100]); // float is stored exactly

        QVERIFY(ToneLoader::decode(path("c.wav"), &d, &err));
        QCOMPARE(d.sampleRate, 48000);
        QCOMPARE(d.channels, 2);
        QCOMPARE(d.frames(), 4800);
        QVERIFY(std::abs(d.samples[2 * 10 + 1] - c[2 * 10 + 1]) < 1e-4);
    }

    void convertsRateChannelsAndFormat()
    {
        QString err;
        DecodedAudio mono;
        QVERIFY(ToneLoader::decode(path("a.wav"), &mono, &err)); // 800 frames at 8 kHz
        // Same rate, mono to stereo: both channels carry the sample.
        QByteArray pcm = ToneLoader::convert(mono, fmt(8000, 2, QAudioFormat::Int16));
        QCOMPARE(pcm.size(), 800 * 2 * 2);
        QCOMPARE(s16(pcm, 2 * 5), s16(pcm, 2 * 5 + 1));
        QCOMPARE(s16(pcm, 2 * 5), qint16(std::lround(mono.samples[5] * 32767)));

        // 8000 -> 44100: length scales, the tone keeps its frequency (zero
        // crossings of a 1 kHz tone every 22.05 output frames).
        pcm = ToneLoader::convert(mono, fmt(44100, 1, QAudioFormat::Int16));
        QCOMPARE(pcm.size() / 2, 4410);
        int crossings = 0;
        for (int i = 1; i < 4410; ++i)
            if ((s16(pcm, i - 1) < 0) != (s16(pcm, i) < 0))
                ++crossings;
        QVERIFY2(std::abs(crossings - 200) <= 2, qPrintable(QString::number(crossings)));
        // A sample that falls on a source sample is that sample.
        QCOMPARE(s16(pcm, 882), qint16(std::lround(mono.samples[160] * 32767))); // 882 * 8000 / 44100 = 160

        // Stereo 48000 to mono 48000 float: the channels are mixed.
        DecodedAudio st;
        QVERIFY(ToneLoader::decode(path("c.wav"), &st, &err));
        pcm = ToneLoader::convert(st, fmt(48000, 1, QAudioFormat::Float));
        QCOMPARE(pcm.size(), 4800 * 4);
        float f;
        std::memcpy(&f, pcm.constData() + 4 * 10, 4);
        QVERIFY(std::abs(f - (st.samples[20] + st.samples[21]) / 2) < 1e-6);

        // 22050 float to 48000 Int32, and UInt8 centred on 128.
        DecodedAudio fl;
        QVERIFY(ToneLoader::decode(path("b.wav"), &fl, &err));
        QCOMPARE(ToneLoader::convert(fl, fmt(48000, 1, QAudioFormat::Int32)).size(), 4800 * 4);
        const QByteArray u8 = ToneLoader::convert(fl, fmt(22050, 1, QAudioFormat::UInt8));
        QCOMPARE(quint8(u8[0]), quint8(128));
    }

    void concatenatesWithNothingBetween()
    {
        QString err;
        QByteArray one, seq;
        const QAudioFormat f = fmt(44100, 2, QAudioFormat::Int16);
        QVERIFY(ToneLoader::prepare({path("a.wav")}, f, &one, &err));
        QVERIFY(ToneLoader::prepare({path("a.wav"), path("b.wav"), path("a.wav")}, f, &seq, &err));
        QByteArray b;
        QVERIFY(ToneLoader::prepare({path("b.wav")}, f, &b, &err));
        QCOMPARE(seq, one + b + one);
        QCOMPARE(ToneLoader::durationUs(f, one.size()), qint64(100000));
    }

    void refusesUnusableFilesNamingThem()
    {
        QFile empty(path("empty.wav"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QFile garbage(path("garbage.wav"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4000, 'x'));
        garbage.close();
        // A valid header with no frames.
        QVERIFY(writeFile(path("silent.wav"), 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, {}));

        for (const QString &name : {"missing.wav", "empty.wav", "garbage.wav", "silent.wav"}) {
            QByteArray pcm = "stale";
            QString err;
            QVERIFY2(!ToneLoader::prepare({path("a.wav"), path(name), path("b.wav")},
                                          fmt(44100, 2, QAudioFormat::Int16), &pcm, &err),
                     qPrintable(name));
            QVERIFY(pcm.isEmpty());
            QVERIFY2(err.startsWith("Fichier son illisible : " + path(name)), qPrintable(err));
        }
    }

    void refusesFilesOutOfBoundsBeforeDecoding()
    {
        const QString fifo = path("f1.wav");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Opening it for reading would block until a writer came.
        QCOMPARE(refusal({fifo}), "Fichier son refusé : " + fifo + " (ce n'est pas un fichier ordinaire)");
        QFile::remove(fifo);
        QFile huge(path("huge.wav"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ToneLoader::MaxFileBytes + 1));
        huge.close();
        QVERIFY(refusal({path("huge.wav")}).contains("16 Mo, au plus 16 Mo"));
        QVERIFY(writeKey("long.wav", '1', 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 10500));
        QVERIFY(refusal({path("long.wav")}).endsWith("(son de 10,6 s, au plus 10 s)"));
        for (int rate : {7999, 192001}) {
            QVERIFY(writeKey("rate.wav", QChar(), rate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
            QVERIFY(refusal({path("rate.wav")}).contains(
                QString("(fréquence d'échantillonnage de %1 Hz, attendue entre 8000 et 192000 Hz)").arg(rate)));
        }
    }

    void findsEveryKeyInEveryFileShape()
    {
        const struct { int rate, channels, format; } shapes[] = {
            {8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8}, {11025, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
            {44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16}, {192000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT}};
        for (const auto &sh : shapes)
            for (QChar key : DtmfSynth::keys()) {
                QVERIFY(writeKey("k.wav", key, sh.rate, sh.channels, sh.format, 40));
                DecodedAudio a;
                QVERIFY(ToneLoader::decode(path("k.wav"), &a, nullptr));
                QVERIFY2(DtmfCheck::detect(a).keys == QString(key), qPrintable(QString("%1 at %2").arg(key).arg(sh.rate)));
            }
    }

    void refusesToneFilesThatDoNotHoldTheirKey()
    {
        QDir().mkpath(path("Wav"));
        QVERIFY(writeKey("Wav/f5.wav", '1', 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        QCOMPARE(refusal({path("Wav/f5.wav")}),
                 "Fichier son refusé : " + path("Wav/f5.wav")
                     + " (il contient la touche « 1 » (697 Hz + 1209 Hz) et non la touche « 5 » (770 Hz + 1336 Hz))");
        QVERIFY(writeKey("Wav/f3.wav", QChar(), 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        QVERIFY(refusal({path("Wav/f3.wav")}).contains("aucune tonalité DTMF nette"));
        // A name that is not a key plays whatever it holds.
        QVERIFY(QFile::copy(path("Wav/f3.wav"), path("Wav/fX.wav")));
        QCOMPARE(refusal({path("Wav/fX.wav")}), QString());
        // Two keys in one file: "9" then "1".
        DecodedAudio one, two;
        QVERIFY(writeKey("Wav/f9.wav", '9', 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        QVERIFY(ToneLoader::decode(path("Wav/f9.wav"), &one, nullptr) && ToneLoader::decode(path("Wav/f5.wav"), &two, nullptr));
        one.samples.insert(one.samples.end(), two.samples.begin(), two.samples.end());
        QVERIFY(!ToneLoader::checkTone("f9.wav", one, nullptr));
        // The per-user setting turns the check off.
        QSettings().setValue("Emission/CheckDtmf", false);
        QCOMPARE(refusal({path("Wav/f5.wav")}), QString());
        QSettings().remove("Emission/CheckDtmf");
    }

    void refusesAToneFileWithADamagedHeader()
    {
        // One bit flipped in the sample rate of a real "1": 44100 Hz reads as
        // 48196 Hz, every frequency 9 % higher, and a decoder hears "5".
        QDir().mkpath(path("Wav"));
        const QString f1 = path("Wav/f1.wav");
        DtmfSynth::ToneShape shape;
        shape.sampleRate = 44100;
        QVERIFY(DtmfSynth::writeTone(f1, '1', shape));
        QCOMPARE(refusal({f1}), QString());
        QFile f(f1);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(25));
        const char rateByte = char(f.peek(1).at(0) ^ 0x10);  // 44100 = 0xAC44: byte 25 is 0xAC
        QVERIFY(f.write(&rateByte, 1) == 1);
        f.close();
        QCOMPARE(decodeDtmf(f1), QString("5"));
        QVERIFY2(refusal({f1}).startsWith("Fichier son refusé : " + f1 + " (il contient la touche « 5 »"),
                 qPrintable(refusal({f1})));
    }
};

QTEST_GUILESS_MAIN(TstTones)
#include "tst_tones.moc"
