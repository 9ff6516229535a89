#pragma once

// A private PulseAudio daemon with a null sink, for tests that play through
// the real sound path, and helpers to record and decode what it played.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sndfile.h>

#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <memory>
#include <csignal>
#include <vector>

class PulseFixture
{
public:
    // Starts the daemon; false with *why when it cannot.
    bool start(QString *why)
    {
        if (!m_dir.isValid()) {
            *why = "no temp dir";
            return false;
        }
        QDir(m_dir.path()).mkpath("xdg");
        QFile::setPermissions(m_dir.filePath("xdg"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_socket = m_dir.filePath("native");
        m_daemon.setProgram("pulseaudio");
        m_daemon.setArguments({"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                               "--use-pid-file=no", "--log-target=file:" + m_dir.filePath("pa.log"),
                               "-L", "module-null-sink sink_name=nullsink rate=44100 channels=2",
                               "-L", "module-native-protocol-unix socket=" + m_socket
                                         + " auth-anonymous=1"});
        // The RTS shim preloaded into the test is no business of the server.
        QProcessEnvironment daemonEnv = environment();
        daemonEnv.remove("LD_PRELOAD");
        m_daemon.setProcessEnvironment(daemonEnv);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start();
        if (!m_daemon.waitForStarted(5000)) {
            *why = "pulseaudio did not start: " + m_daemon.errorString();
            return false;
        }
        for (int i = 0; i < 300 && !QFile::exists(m_socket); ++i)
            QThread::msleep(50);
        if (!QFile::exists(m_socket) || m_daemon.state() != QProcess::Running) {
            *why = "pulseaudio gave no socket; log: " + log();
            return false;
        }
        if (run("pactl", {"set-default-sink", "nullsink"}) != 0) {
            *why = "pactl set-default-sink failed; log: " + log();
            return false;
        }
        qputenv("XDG_RUNTIME_DIR", m_dir.filePath("xdg").toLocal8Bit());
        qputenv("PULSE_SERVER", serverAddress().toLocal8Bit());
        return true;
    }

    ~PulseFixture()
    {
        stopRecording();
        for (QProcess *p : {&m_daemon}) {
            if (p->state() != QProcess::NotRunning) {
                ::kill(pid_t(p->processId()), SIGTERM);
                if (!p->waitForFinished(3000)) {
                    p->kill();
                    p->waitForFinished(2000);
                }
            }
        }
    }

    QString serverAddress() const { return "unix:" + m_socket; }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString log() const
    {
        QFile f(m_dir.filePath("pa.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(2000)) : QString();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("xdg"));
        env.insert("PULSE_SERVER", serverAddress());
        return env;
    }

    int run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        if (!p.waitForFinished(10000))
            return -1;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // Another null sink, described as `name`; its module number, -1 on failure.
    int addSink(const QString &name)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start("pactl", {"load-module", "module-null-sink", "sink_name=" + name,
                          "sink_properties=device.description=" + name});
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return -1;
        bool ok = false;
        const int module = p.readAllStandardOutput().trimmed().toInt(&ok);
        return ok ? module : -1;
    }
    bool removeModule(int module) { return run("pactl", {"unload-module", QString::number(module)}) == 0; }

    // Records a sink's monitor (several may run at once), with a silent
    // stream playing so that the recording follows wall-clock time.
    bool startRecording(const QString &file, bool keepClock = true, const QString &sink = "nullsink")
    {
        if (keepClock && !m_silence) {
            m_silence = std::make_unique<QProcess>();
            m_silence->setProcessEnvironment(environment());
            m_silence->start("pacat", {"--playback", "--device=nullsink", "--raw", "--format=s16le",
                                      "--rate=44100", "--channels=2", "--latency-msec=20", "/dev/zero"});
            if (!m_silence->waitForStarted(5000))
                return false;
        }
        auto recorder = std::make_unique<QProcess>();
        recorder->setProcessEnvironment(environment());
        recorder->start("parecord", {"--device=" + sink + ".monitor", "--rate=22050", "--channels=1",
                                     "--format=s16le", "--latency-msec=20", "--file-format=wav", file});
        const bool ok = recorder->waitForStarted(5000);
        m_recorders.push_back(std::move(recorder));
        return ok;
    }

    void stopRecording()
    {
        for (auto &recorder : m_recorders) {
            if (recorder->state() == QProcess::NotRunning)
                continue;
            ::kill(pid_t(recorder->processId()), SIGINT);
            if (!recorder->waitForFinished(5000)) {
                recorder->kill();
                recorder->waitForFinished(2000);
            }
        }
        m_recorders.clear();
        if (m_silence && m_silence->state() != QProcess::NotRunning) {
            ::kill(pid_t(m_silence->processId()), SIGTERM);
            if (!m_silence->waitForFinished(3000)) {
                m_silence->kill();
                m_silence->waitForFinished(2000);
            }
        }
        m_silence.reset();
    }

private:
    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_daemon;
    std::unique_ptr<QProcess> m_silence;
    std::vector<std::unique_ptr<QProcess>> m_recorders;
};

// Keys decoded by multimon-ng from a WAV file, in order ("123#11").
inline QString decodeDtmf(const QString &wav)
{
    QProcess sh;
    sh.start("sh", {"-c", "sox --no-glob \"$0\" -t raw -r 22050 -e signed -b 16 -c 1 - | "
                          "multimon-ng -q -a DTMF -t raw -",
                    wav});
    if (!sh.waitForFinished(30000))
        return "<timeout>";
    QString keys;
    for (const QByteArray &line : sh.readAllStandardOutput().split('\n'))
        if (line.startsWith("DTMF: "))
            keys += QString::fromLatin1(line.mid(6, 1));
    return keys;
}

// A DTMF tone file: toneMs of the standard pair at -10 dBFS, then gapMs of silence.
inline bool writeDtmfFile(const QString &path, QChar key, int rate = 8000, int toneMs = 100,
                          int gapMs = 100, int format = SF_FORMAT_PCM_16)
{
    static const char *keys = "123A456B789C*0#D";
    static const double low[] = {697, 770, 852, 941}, high[] = {1209, 1336, 1477, 1633};
    const char *at = std::strchr(keys, key.toLatin1());
    if (!at || key.isNull())
        return false;
    const int idx = int(at - keys);
    const double f1 = low[idx / 4], f2 = high[idx % 4];
    const double amp = std::pow(10.0, -10.0 / 20.0) / 2;
    const int toneFrames = rate * toneMs / 1000, frames = toneFrames + rate * gapMs / 1000;
    std::vector<short> s(frames, 0);
    for (int i = 0; i < toneFrames; ++i) {
        const double t = double(i) / rate;
        s[i] = short(std::lround(32767 * amp * (std::sin(2 * M_PI * f1 * t) + std::sin(2 * M_PI * f2 * t))));
    }
    QDir().mkpath(QFileInfo(path).path());
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const bool ok = sf_writef_short(f, s.data(), frames) == frames;
    sf_close(f);
    return ok;
}
