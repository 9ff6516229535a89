#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// Tone file of one key of a command sequence: the character itself names the
// file, unchanged ("Wav/f5.wav", "Wav/f*.wav").
inline QString commandToneFile(QChar key)
{
    return QStringLiteral("Wav/f") + key + QStringLiteral(".wav");
}

inline QStringList commandToneFiles(const QString &sequence)
{
    QStringList files;
    for (QChar c : sequence)
        files << commandToneFile(c);
    return files;
}

// Tone file of a keypad key; the * key plays the file named with "+".
inline QString keypadToneFile(QChar key)
{
    return QStringLiteral("Wav2/2f") + (key == QLatin1Char('*') ? QLatin1Char('+') : key)
           + QStringLiteral(".wav");
}
