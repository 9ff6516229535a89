#pragma once

#include <QChar>
#include <QString>
#include <QVector>

// Synthesis of DTMF tones: the sixteen keys' standard frequency pairs, written
// as 16-bit mono WAV files. Used by the demo workspace tool and by tests that
// need real tone files.
namespace DtmfSynth {

struct Pair
{
    int low = 0;   // row frequency, Hz
    int high = 0;  // column frequency, Hz
};

struct ToneShape
{
    int sampleRate = 8000;
    double toneMs = 100;     // length of the tone
    double silenceMs = 100;  // silence after it
    double fadeMs = 5;       // raised-cosine fade in and out, against clicks
    double peakDbfs = -10;   // peak level of the two sines together
};

// Frequency pair of `key` (digits, A-D upper or lower case, * and #); false
// for any other character.
bool pair(QChar key, Pair *out);

// Samples of one key; empty for a character that is not a DTMF key.
QVector<qint16> samples(QChar key, const ToneShape &shape);

// Writes mono 16-bit PCM WAV. The file name is used as is (no globbing).
bool writeWav(const QString &path, const QVector<qint16> &samples, int sampleRate,
              QString *error = nullptr);

// samples() then writeWav().
bool writeTone(const QString &path, QChar key, const ToneShape &shape, QString *error = nullptr);

} // namespace DtmfSynth
