#pragma once

// A private PulseAudio daemon with a null sink, for tests that play through
// the real sound path; what a sink played is recorded and decoded by multimon-ng.

#include "audio/dtmfsynth.h"

#include <QtTest>  // and QtCore

#include <sndfile.h>

#include <cmath>
#include <csignal>
#include <memory>
#include <vector>

// Keys decoded by multimon-ng from a WAV file, in order ("123#11"). Through a
// pipe: sox would expand the "*" of a name such as f*.wav.
inline QString decodeDtmf(const QString &wav)
{
    QProcess sh;
    sh.start("sh", {"-c", "sox --no-glob \"$0\" -t raw -r 22050 -e signed -b 16 -c 1 - | multimon-ng -q -a DTMF -t raw -", wav});
    QString keys = sh.waitForFinished(30000) ? QString::fromLatin1(sh.readAllStandardOutput()) : "<timeout>";
    return keys.remove("DTMF: ").remove('\n');
}

class PulseFixture
{
public:
    // Starts the daemon and points this process at it; false with *why when it cannot.
    bool start(QString *why)
    {
        QDir().mkdir(path("xdg"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = environment();
        env.remove("LD_PRELOAD");  // the RTS shim is no business of the server
        m_daemon.setProcessEnvironment(env);
        m_daemon.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
                                      "--log-target=file:" + path("pa.log"), "-L", "module-null-sink sink_name=nullsink rate=44100 channels=2",
                                      "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + path("native")});
        (void)QTest::qWaitFor([this] { return QFile::exists(path("native")) || !m_daemon.waitForStarted(5000); }, 15000);
        if (!QFile::exists(path("native")) || !pactl({"set-default-sink", "nullsink"})) {
            QFile log(path("pa.log"));
            *why = "pulseaudio did not start: " + m_daemon.errorString() + (log.open(QIODevice::ReadOnly) ? log.readAll().right(2000) : "");
            return false;
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path("xdg")));
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(path("native")));
        // Silence keeps the sink running, as a station's sound card runs: an
        // idle null sink renders two seconds at a time, and holds a new
        // stream back until the block under way is out.
        m_silence.setProcessEnvironment(env);
        m_silence.start("pacat", {"--playback", "--device=nullsink", "--raw", "--latency-msec=20", "/dev/zero"});
        if (!m_silence.waitForStarted(5000))
            return *why = "pacat: " + m_silence.errorString(), false;
        QTest::qWait(2100);
        return true;
    }

    ~PulseFixture() { stopRecording(), end(m_silence, SIGTERM), end(m_daemon, SIGTERM); }
    void crash() { end(m_daemon, SIGKILL), end(m_silence, SIGTERM); }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", path("xdg"));
        env.insert("PULSE_SERVER", "unix:" + path("native"));
        return env;
    }

    // pactl on this server; its output in *out.
    bool pactl(const QStringList &args, QString *out = nullptr) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start("pactl", args);
        const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (out)
            *out = QString::fromLocal8Bit(p.readAllStandardOutput());
        return ok;
    }

    // Records a sink's monitor into path(name); several recordings may run at once.
    bool record(const QString &name, const QString &sink = "nullsink")
    {
        const auto streams = [this] {
            QString out;
            return pactl({"list", "short", "source-outputs"}, &out) ? out.count('\n') : -1;
        };
        const auto before = streams();
        auto &p = m_recorders.emplace_back(std::make_unique<QProcess>());
        p->setProcessEnvironment(environment());
        p->start("parecord", {"--device=" + sink + ".monitor", "--rate=22050", "--channels=1", "--format=s16le",
                              "--latency-msec=20", "--file-format=wav", path(name)});
        // Nothing may play before the recorder listens.
        return p->waitForStarted(5000) && QTest::qWaitFor([&] { return streams() > before; }, 5000);
    }
    void stopRecording()
    {
        for (auto &p : m_recorders)
            end(*p, SIGINT);
        m_recorders.clear();
    }
    // Stops the recordings; the keys heard in path(name).
    QString heard(const QString &name)
    {
        QTest::qWait(100);  // the recorder's latency
        stopRecording();
        return decodeDtmf(path(name));
    }

private:
    static void end(QProcess &p, int signal)
    {
        if (p.state() != QProcess::NotRunning && (::kill(pid_t(p.processId()), signal), !p.waitForFinished(5000)))
            p.kill(), p.waitForFinished(2000);
    }

    QTemporaryDir m_dir;
    QProcess m_daemon, m_silence;
    std::vector<std::unique_ptr<QProcess>> m_recorders;
};

// A tone file: toneMs of the pair of `key` (a 1 kHz sine when null) at about
// -10 dBFS, then gapMs of silence; a second channel carries -0.5 times the first.
inline bool writeDtmfFile(const QString &path, QChar key, int rate = 8000, int toneMs = 100, int gapMs = 100,
                          int format = SF_FORMAT_PCM_16, int channels = 1)
{
    DtmfSynth::Pair p{1000, 0};
    DtmfSynth::pair(key, &p);
    const int frames = rate * toneMs / 1000, total = frames + rate * gapMs / 1000;
    std::vector<float> s;
    for (int i = 0; i < total * channels; ++i)
        s.push_back(i >= frames * channels ? 0.0f : float((i % channels ? -0.08 : 0.16) * (std::sin(2 * M_PI * p.low * (i / channels) / rate)
                                                                                          + std::sin(2 * M_PI * p.high * (i / channels) / rate))));
    QDir().mkpath(QFileInfo(path).path());
    SF_INFO info{0, rate, channels, SF_FORMAT_WAV | format, 0, 0};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    const bool ok = f && sf_writef_float(f, s.data(), total) == total;
    return f && sf_close(f) == 0 && ok;
}
