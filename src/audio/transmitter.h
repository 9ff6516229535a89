#pragma once

#include "core/emissionsettings.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>
#include <QString>
#include <QStringList>

class Ptt;

// One transmission: keys the transmitter (its PTT line), waits the
// lead-in, plays tone files back to back as one audio stream, waits until the
// last sample has been played plus the tail, and releases. The transmitter is
// released on every path, and after the maximum transmit time at the latest.
class Transmitter : public QObject
{
    Q_OBJECT
public:
    // `ptt` (not owned, may be null: nothing to key) must outlive the transmitter.
    explicit Transmitter(Ptt *ptt = nullptr, QObject *parent = nullptr);
    ~Transmitter() override;

    void setPtt(Ptt *ptt);
    // The sound output feeding the transmitter, by QAudioDevice id (empty:
    // the system's default); the description names it when it is absent.
    void setOutput(const QByteArray &id, const QString &description);
    // Lead-in, tail, transmit limit and tone check of the next transmissions
    // (defaults until set); a wrong timing refuses them.
    void setEmissionSettings(const EmissionSettings &settings);

    // Checks every file and setting and builds the whole stream first: when
    // one cannot be read, or there is no sound output, nothing is keyed, false
    // is returned and *error names the cause in French. The line goes up once
    // the sound server is playing the stream's first (silent) samples. A port that cannot be opened is reported by portWarning() and the
    // tones are played all the same (VOX-keyed stations rely on it).
    // finished() follows exactly once when true was returned, after release.
    bool startSequence(const QStringList &files, QString *error);

    // Keypad: keys and plays one file until stopHeld(); a file shorter than the
    // press ends by itself while the transmitter stays keyed. A press released
    // early still gets its whole tone: the release then waits for its end. Unlike a
    // sequence, a port that cannot be opened stops the tone and is reported
    // by portWarning(). No finished() follows a held tone.
    bool startHeld(const QString &file, QString *error);
    void stopHeld();

    // Stops any tone and releases the transmitter at once; a running sequence
    // then reports finished(false, ...). The destructor releases too, silently.
    void stop();
    // A sequence or a held tone is running (lead-in, tones, tail).
    bool isBusy() const;
    // True exactly while the PTT line is on. When the port could not be opened
    // the transmission still runs (isBusy()) but nothing is keyed: false.
    bool isKeyed() const;

    // Format the tones are converted to for the current default output
    // (invalid when there is none).
    static QAudioFormat outputFormat(const QAudioDevice &device);
    // The chosen output, or the default one when none is chosen; null when
    // the chosen one is absent (*error then names it).
    static QAudioDevice findOutput(const QByteArray &id, const QString &description, QString *error);

signals:
    // The PTT line went on or off, whatever keyed it.
    void keyedChanged(bool keyed);
    void portWarning(const QString &text);
    void finished(bool ok, const QString &error);
    void maxTransmitTimeReached(const QString &text);

public:
    // Why the line dropped last; set before keyedChanged(false) is emitted.
    enum class EndReason { None, Completed, Stopped, TransmitLimit, PttLost, SoundError };
    EndReason endReason() const;

private:
    class Private;
    Private *d;
};
