#pragma once

#include "toneloader.h"

#include <QChar>
#include <QString>

// Checks that a tone file holds the DTMF key its name stands for, so that a
// damaged or misplaced file never sends another key over the air.
namespace DtmfCheck {

// The key a tone file's name stands for: "f5.wav" and "2f5.wav" give '5',
// "2f+.wav" gives '*'. A null QChar for a name that is not a DTMF key's.
QChar keyOfFile(const QString &path);

struct Result
{
    QString keys;          // every key found, the one in most blocks first
    int keyBlocks = 0;     // 20 ms blocks holding the first key
    int activeBlocks = 0;  // blocks that are not silent
};

// Looks for DTMF pairs in 20 ms blocks (Goertzel, channels mixed). A block
// holds a key when one frequency of each group stands out in its group and
// the pair carries most of the block's power.
Result detect(const DecodedAudio &audio);

// True when `audio` holds `key` and nothing else; otherwise *why says what
// was found, in French.
bool holdsKey(const DecodedAudio &audio, QChar key, QString *why);

} // namespace DtmfCheck
