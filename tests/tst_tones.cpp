// Tone files read with libsndfile, converted to the sound output's format, and
// refused when they cannot be played as their key.
#include "audio/dtmfcheck.h"
#include "core/dtmf.h"
#include "audio/toneloader.h"
#include "store/configuration.h"
#include "pulsefixture.h"

#include <sys/stat.h>

#include <cmath>
#include <cstring>

namespace {

QAudioFormat fmt(int rate, int channels, QAudioFormat::SampleFormat sf)
{
    QAudioFormat f;
    f.setSampleRate(rate), f.setChannelCount(channels), f.setSampleFormat(sf);
    return f;
}

template<typename T> T at(const QByteArray &pcm, qint64 index)
{
    T v;
    return std::memcpy(&v, pcm.constData() + index * sizeof(T), sizeof(T)), v;
}

} // namespace

class TstTones : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &n) { return dir.filePath(n); }

    // Why prepare() refuses `file` (empty when it accepts it).
    QString refusal(const QString &file, bool checkDtmf = true)
    {
        QByteArray pcm = "stale";
        QString err;
        const bool ok = ToneLoader::prepare({path("a.wav"), file, path("a.wav")}, fmt(44100, 2, QAudioFormat::Int16), checkDtmf, &pcm, &err);
        return ok ? QString() : pcm.isEmpty() ? err : QStringLiteral("<pcm left>");
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Plain names: no key to hold.
        QVERIFY(writeDtmfFile(path("a.wav"), QChar(), 8000, 100, 50, SF_FORMAT_PCM_16) && writeDtmfFile(path("st.wav"), QChar(), 48000, 100, 50, SF_FORMAT_FLOAT, 2));
    }

    void decodesAndConverts()
    {
        DecodedAudio a, st;
        QString err;
        QVERIFY2(ToneLoader::decode(path("a.wav"), &a, &err) && ToneLoader::decode(path("st.wav"), &st, &err), qPrintable(err));
        QCOMPARE(QList<qint64>({a.sampleRate, a.channels, a.frames()}), QList<qint64>({8000, 1, 1200}));
        QVERIFY(std::abs(a.samples[2] - 0.16) < 1e-4);
        // Mono to stereo: both channels carry the sample.
        QByteArray pcm = ToneLoader::convert(a, fmt(8000, 2, QAudioFormat::Int16));
        QCOMPARE(pcm.size(), 1200 * 2 * 2);
        QVERIFY(at<qint16>(pcm, 10) == at<qint16>(pcm, 11) && at<qint16>(pcm, 10) == qint16(std::lround(a.samples[5] * 32767)));
        // 8000 -> 44100: the length scales and the tone keeps its frequency (a
        // 1 kHz zero crossing every 22.05 frames); a frame on a source sample is that sample.
        pcm = ToneLoader::convert(a, fmt(44100, 1, QAudioFormat::Int16));
        QCOMPARE(pcm.size() / 2, 6615);
        int crossings = 0;
        for (int i = 1; i < 4410; ++i)
            crossings += (at<qint16>(pcm, i - 1) < 0) != (at<qint16>(pcm, i) < 0);
        QVERIFY2(std::abs(crossings - 200) <= 2, qPrintable(QString::number(crossings)));
        QCOMPARE(at<qint16>(pcm, 882), qint16(std::lround(a.samples[160] * 32767)));
        // 48000 Hz stereo float to mono: the channels are mixed; UInt8 is centred on 128.
        QVERIFY(std::abs(st.samples[21] + 0.5f * st.samples[20]) < 1e-6);
        pcm = ToneLoader::convert(st, fmt(48000, 1, QAudioFormat::Float));
        QCOMPARE(pcm.size(), 7200 * 4);
        QVERIFY(std::abs(at<float>(pcm, 10) - (st.samples[20] + st.samples[21]) / 2) < 1e-6);
        QCOMPARE(ToneLoader::convert(st, fmt(24000, 1, QAudioFormat::Int32)).size(), 3600 * 4);
        QCOMPARE(quint8(ToneLoader::convert(st, fmt(24000, 1, QAudioFormat::UInt8)).at(0)), quint8(128));
        // A sequence is its files back to back.
        QByteArray one, seq;
        QVERIFY(ToneLoader::prepare({path("a.wav")}, fmt(44100, 2, QAudioFormat::Int16), true, &one, &err)
                && ToneLoader::prepare({path("a.wav"), path("st.wav")}, fmt(44100, 2, QAudioFormat::Int16), true, &seq, &err));
        QCOMPARE(seq, one + ToneLoader::convert(st, fmt(44100, 2, QAudioFormat::Int16)));
        QCOMPARE(ToneLoader::durationUs(fmt(44100, 2, QAudioFormat::Int16), one.size()), qint64(150000));
    }

    void refusesUnusableFilesNamingThem()
    {
        QFile(path("empty.wav")).open(QIODevice::WriteOnly);
        QFile garbage(path("garbage.wav"));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4000, 'x')) == 4000 && garbage.flush());
        QVERIFY(writeDtmfFile(path("silent.wav"), QChar(), 8000, -50, 50, SF_FORMAT_PCM_16));  // a header, no frames
        for (const char *name : {"missing.wav", "empty.wav", "garbage.wav", "silent.wav"})
            QVERIFY2(refusal(path(name)).startsWith("Fichier son illisible : " + path(name)), qPrintable(refusal(path(name))));
        // Out of bounds, refused before decoding: opening a FIFO for reading would block.
        QCOMPARE(::mkfifo(QFile::encodeName(path("f1.wav")).constData(), 0600), 0);
        QCOMPARE(refusal(path("f1.wav")), "Fichier son refusé : " + path("f1.wav") + " (ce n'est pas un fichier ordinaire)");
        QFile huge(path("huge.wav"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ToneLoader::MaxFileBytes + 1));
        QVERIFY(refusal(path("huge.wav")).contains("16 Mo, au plus 16 Mo"));
        QVERIFY(huge.resize(ToneLoader::MaxFileBytes) && !refusal(path("huge.wav")).contains("au plus 16 Mo"));
        QVERIFY(writeDtmfFile(path("long.wav"), '1', 8000, 10500, 50, SF_FORMAT_PCM_16));
        QVERIFY(refusal(path("long.wav")).endsWith("(son de 10,6 s, au plus 10 s)"));
        for (int rate : {7999, 192001})
            QVERIFY(writeDtmfFile(path("rate.wav"), QChar(), rate, 100, 50, SF_FORMAT_PCM_16) && refusal(path("rate.wav")).contains(
                        QString("(fréquence d'échantillonnage de %1 Hz, attendue entre 8000 et 192000 Hz)").arg(rate)));
    }

    void findsEveryKeyInEveryFileShape()
    {
        const struct { int rate, channels, format; } shapes[] = {
            {8000, 1, SF_FORMAT_PCM_U8}, {11025, 2, SF_FORMAT_PCM_U8}, {44100, 2, SF_FORMAT_PCM_16}, {192000, 1, SF_FORMAT_FLOAT}};
        for (const auto &sh : shapes)
            for (QChar key : Dtmf::keys()) {
                DecodedAudio a;
                QVERIFY(writeDtmfFile(path("k.wav"), key, sh.rate, 40, 50, sh.format, sh.channels) && ToneLoader::decode(path("k.wav"), &a, nullptr));
                QVERIFY2(DtmfCheck::detect(a).keys == QString(key), qPrintable(QString("%1 at %2").arg(key).arg(sh.rate)));
            }
    }

    void refusesToneFilesThatDoNotHoldTheirKey()
    {
        QVERIFY(QDir().mkpath(path("Wav")) && writeDtmfFile(path("Wav/f5.wav"), '1', 8000, 100, 50, SF_FORMAT_PCM_16));
        QCOMPARE(refusal(path("Wav/f5.wav")), "Fichier son refusé : " + path("Wav/f5.wav")
                     + " (il contient la touche « 1 » (697 Hz + 1209 Hz) et non la touche « 5 » (770 Hz + 1336 Hz))");
        QVERIFY(QFile::copy(path("a.wav"), path("Wav/f3.wav")) && QFile::copy(path("a.wav"), path("Wav/fX.wav")));
        QVERIFY(refusal(path("Wav/f3.wav")).contains("aucune tonalité DTMF nette"));
        // A name that is not a key plays whatever it holds.
        QCOMPARE(refusal(path("Wav/fX.wav")), QString());
        // Two keys in one file: "9" then "1".
        DecodedAudio one, two;
        QVERIFY(writeDtmfFile(path("Wav/f9.wav"), '9', 8000, 100, 50, SF_FORMAT_PCM_16) && ToneLoader::decode(path("Wav/f9.wav"), &one, nullptr)
                && ToneLoader::decode(path("Wav/f5.wav"), &two, nullptr));
        one.samples.insert(one.samples.end(), two.samples.begin(), two.samples.end());
        QVERIFY(!ToneLoader::checkTone("f9.wav", one, nullptr));
        // The per-user setting turns the check off.
        QSettings().setValue("Emission/CheckDtmf", false);
        QCOMPARE(refusal(path("Wav/f5.wav"), Configuration::storedEmission().checkDtmf), QString());
    }
};

QTEST_GUILESS_MAIN(TstTones)
#include "tst_tones.moc"
