#include "transmitter.h"

#include <QMediaDevices>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

// The sound output side of the transmitter: the chosen output and its format.

namespace {

bool usableSampleFormat(QAudioFormat::SampleFormat f)
{
    return f == QAudioFormat::Int16 || f == QAudioFormat::Float || f == QAudioFormat::Int32
           || f == QAudioFormat::UInt8;
}

} // namespace

// Qt 6.4's PulseAudio backend disconnects from the sound server twice in its
// static destructors (an exit handler, then the library's own destructors),
// without taking its main loop's lock, while that loop's thread may still be
// handling the server's answers: libpulse then aborts the process after main()
// has returned ("Assertion '!e->dead' failed"), at times after a signal asked
// for a clean exit code. Once the sound system is in use, the process ends at
// exit() before those destructors run: everything of the program's own has
// been closed by main() by then. Called after each step that creates such
// objects (the device list, the first stream), so that it runs before their
// teardown.
void endBeforeSoundTeardown(int step)
{
    static int armed = 0;
    if (armed & step)
        return;
    armed |= step;
    ::on_exit(
        [](int status, void *) {
            std::fflush(nullptr);
            ::_exit(status);
        },
        nullptr);
}

QList<QAudioDevice> Transmitter::outputs()
{
    const QList<QAudioDevice> list = QMediaDevices::audioOutputs();
    endBeforeSoundTeardown(1);
    return list;
}

QAudioDevice Transmitter::findOutput(const QByteArray &id, const QString &description, QString *error)
{
    const QList<QAudioDevice> list = outputs();
    if (id.isEmpty()) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() && error)
            *error = QStringLiteral("Aucune sortie son disponible : les tons ne peuvent pas "
                                    "être émis.");
        return device;
    }
    for (const QAudioDevice &device : list)
        if (device.id() == id)
            return device;
    if (error)
        *error = QStringLiteral("La sortie son « %1 » choisie pour l'émetteur est absente : rien "
                                "n'a été émis. Branchez-la, ou choisissez une autre sortie dans le "
                                "menu Port (Sortie son).")
                     .arg(description.isEmpty() ? QString::fromUtf8(id) : description);
    return {};
}

QAudioFormat Transmitter::outputFormat(const QAudioDevice &device)
{
    if (device.isNull())
        return {};
    const QAudioFormat preferred = device.preferredFormat();
    if (preferred.isValid() && usableSampleFormat(preferred.sampleFormat())
        && device.isFormatSupported(preferred))
        return preferred;
    for (int rate : {48000, 44100}) {
        for (int channels : {2, 1}) {
            QAudioFormat f;
            f.setSampleRate(rate);
            f.setChannelCount(channels);
            f.setSampleFormat(QAudioFormat::Int16);
            if (device.isFormatSupported(f))
                return f;
        }
    }
    return {};
}
