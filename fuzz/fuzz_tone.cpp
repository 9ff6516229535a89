// Tone files: bounds, decoding, the DTMF check and the conversion to a sink format.
#include "audio/dtmfcheck.h"
#include "audio/toneloader.h"

#include <QAudioFormat>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = QStringLiteral("Wav/f5.wav");
    DecodedAudio audio;
    QString error;
    if (!ToneLoader::decodeBytes(bytes, name, &audio, &error))
        return 0;
    ToneLoader::checkTone(name, audio, &error);
    DtmfCheck::detect(audio);
    QAudioFormat format;
    format.setSampleRate(8000);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    ToneLoader::convert(audio, format);
    return 0;
}
