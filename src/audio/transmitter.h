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

    // Makes the PTT ready (Ptt::prepare()), checks every file and setting and
    // builds the whole stream first: when the PTT cannot key, a file cannot be
    // read, or there is no sound output, nothing is keyed or played, false is
    // returned and *error names the cause in French (the PTT method too). The
    // line goes up once the sound server is playing the stream's first
    // (silent) samples; when it cannot, the tones stop and the transmission
    // ends as a failure, as when the PTT is lost while keyed (keyingFailed()).
    // finished() follows exactly once when true was returned, after release.
    bool startSequence(const QStringList &files, QString *error);

    // Keypad: keys and plays one file until stopHeld(); a file shorter than the
    // press ends by itself while the transmitter stays keyed. A press released
    // early still gets its whole tone. The line stays up the tail after the
    // tone's last sample, as after a sequence. A PTT that cannot key refuses
    // it as startSequence() does; one lost while held is reported by
    // portWarning(). No finished() follows a held tone.
    bool startHeld(const QString &file, QString *error);
    void stopHeld();

    // Stops any tone and releases the transmitter at once; a running sequence
    // then reports finished(false, ...). The destructor releases too, silently.
    void stop();
    // Keys `ptt` (not the configured one; not owned) for `ms` with no sound,
    // then releases and reports pttTestEnded(). False with a French text when
    // it cannot key, or a transmission runs.
    bool startPttTest(Ptt *ptt, int ms, QString *error);
    // Ends a running test at once (pttTestEnded() follows); nothing otherwise.
    void stopPttTest();

    // A sequence, a held tone or a test is running (lead-in, tones, tail).
    bool isBusy() const;
    // True exactly while the PTT is on.
    bool isKeyed() const;
    // The last transmission was refused or ended because the PTT could not
    // key, or was lost while keyed.
    bool keyingFailed() const;

    // Format the tones are converted to for the current default output
    // (invalid when there is none).
    static QAudioFormat outputFormat(const QAudioDevice &device);
    // The chosen output, or the default one when none is chosen; null when
    // the chosen one is absent (*error then names it).
    static QAudioDevice findOutput(const QByteArray &id, const QString &description, QString *error);
    // The sound outputs, for the program's own lists: read through here only.
    static QList<QAudioDevice> outputs();

signals:
    // The PTT line went on or off, whatever keyed it.
    void keyedChanged(bool keyed);
    void portWarning(const QString &text);
    void finished(bool ok, const QString &error);
    void maxTransmitTimeReached(const QString &text);
    // A PTT test ended: empty when it ran its time, else why not.
    void pttTestEnded(const QString &error);

public:
    // Why the line dropped last; set before keyedChanged(false) is emitted.
    enum class EndReason { None, Completed, Stopped, TransmitLimit, PttLost, SoundError };
    EndReason endReason() const;

private:
    class Private;
    Private *d;
};
