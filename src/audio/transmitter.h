#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>
#include <QString>
#include <QStringList>

// One transmission: keys the transmitter (RTS of the serial port), waits the
// lead-in, plays tone files back to back as one audio stream, waits until the
// last sample has been played plus the tail, and releases. The transmitter is
// released on every path, and after the maximum transmit time at the latest.
// Virtual so that tests without a radio can stand a recording double in its place.
class Transmitter : public QObject
{
    Q_OBJECT
public:
    explicit Transmitter(QObject *parent = nullptr);
    ~Transmitter() override;

    // Port number and line settings of the settings row ("9600,N,8,1").
    virtual void configurePort(int comNumber, const QString &settings);

    // Checks every file first: when one cannot be read, or there is no sound
    // output, nothing is keyed, false is returned and *error names the cause in
    // French. A port that cannot be opened is reported by portWarning() and the
    // tones are played all the same (VOX-keyed stations rely on it).
    // finished() follows exactly once when true was returned, after release.
    // Settings (QSettings): Emission/LeadInMs (150), Emission/TailMs (100),
    // Emission/MaxTransmitSeconds (60).
    virtual bool startSequence(const QStringList &files, QString *error);

    // Keypad: keys and plays one file until stopHeld(); a file shorter than the
    // press ends by itself while the transmitter stays keyed. Unlike a
    // sequence, a port that cannot be opened refuses the press (false, *error
    // names the port) and no tone plays. No finished() follows a held tone.
    virtual bool startHeld(const QString &file, QString *error);
    virtual void stopHeld();

    // Stops any tone and releases the transmitter at once; a running sequence
    // then reports finished(false, ...). The destructor releases too, silently.
    virtual void stop();
    // A sequence or a held tone is running (lead-in, tones, tail).
    virtual bool isBusy() const;
    // True exactly while the PTT line is on. When the port could not be opened
    // the transmission still runs (isBusy()) but nothing is keyed: false.
    virtual bool isKeyed() const;

    // Format the tones are converted to for the current default output
    // (invalid when there is none).
    static QAudioFormat outputFormat(const QAudioDevice &device);

signals:
    void portWarning(const QString &text);
    void finished(bool ok, const QString &error);
    void maxTransmitTimeReached(const QString &text);

private:
    class Private;
    Private *d;
};
