// Lead-in and tail as heard: a private PulseAudio null sink, its monitor read
// back in this process, against the times the transmitter keyed and released
// its PTT. Prints, per setting, the error of each (measured - configured) and
// how much of the first tone came out, for sequences and for keypad tones let
// go early. Run by hand: build/bench/bench_ptt_timing [--load N], N threads
// spinning meanwhile (a busy machine keys late: the lead-in must not shorten).
#include "ptt/ptt.h"
#include "audio/tonefiles.h"
#include "audio/transmitter.h"
#include "../tests/pulsefixture.h"

#include <QAudioSource>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct TimedPtt : Ptt
{
    double on = 0, off = 0;
    bool keyed = false;
    bool key(QString *) override { on = now(); return keyed = true; }
    void release() override
    {
        if (keyed)
            off = now();
        keyed = false;
    }
    bool isKeyed() const override { return keyed; }
};

// The monitor of the null sink. Chunks reach this process some time after
// the sink produced them, and that delay varies from chunk to chunk (the
// client library's period, the event loop): timing each sample from its
// chunk's arrival would count that delay as part of the lead-in and the
// tail. The monitor runs without a gap (a silent stream keeps the sink
// playing), so sample k was produced at origin + k / Rate; the origin is the
// earliest any chunk could have been produced, the smallest (arrival - end
// of the chunk) seen.
class Listener
{
public:
    explicit Listener(const QAudioDevice &monitor)
    {
        QAudioFormat f;
        f.setSampleRate(Rate);
        f.setChannelCount(1);
        f.setSampleFormat(QAudioFormat::Int16);
        m_source = std::make_unique<QAudioSource>(monitor, f);
        // 1 ms: the null sink renders in blocks no longer than its listeners
        // ask for, and a sample reaches the monitor when its block is
        // rendered, up to a block before the sink plays it.
        m_source->setBufferSize(Rate * 2 / 1000);
        m_io = m_source->start();
        QObject::connect(m_io, &QIODevice::readyRead, [this] {
            const double t = now();
            const QByteArray data = m_io->readAll();
            const int n = int(data.size() / 2);
            const auto *s = reinterpret_cast<const qint16 *>(data.constData());
            for (int i = 0; i < n; ++i)
                if (std::abs(s[i]) > 300) {
                    if (m_first < 0)
                        m_first = m_count + i;
                    m_last = m_count + i;
                }
            m_count += n;
            m_origin = std::min(m_origin, t - double(m_count) / Rate);
        });
    }
    // Per transmission: the origin is taken again from its own chunks.
    void reset() { m_first = m_last = -1; m_origin = 1e300; }
    bool heard() const { return m_first >= 0; }
    double first() const { return m_origin + double(m_first) / Rate; }
    double last() const { return m_origin + double(m_last + 1) / Rate; }

private:
    static constexpr int Rate = 48000;
    std::unique_ptr<QAudioSource> m_source;
    QIODevice *m_io = nullptr;
    qint64 m_count = 0, m_first = -1, m_last = -1;
    double m_origin = 1e300;
};

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    const int load = app.arguments().indexOf("--load") > 0
                         ? app.arguments().value(app.arguments().indexOf("--load") + 1).toInt()
                         : 0;
    PulseFixture pulse;
    QString why;
    if (!pulse.start(&why)) {
        std::fprintf(stderr, "bench_ptt_timing: no sound server (%s)\n", qPrintable(why));
        return 1;
    }
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    // 100 ms tone files without trailing silence: the last sample heard is the tone's.
    for (QChar k : QStringLiteral("159"))
        writeDtmfFile(commandToneFile(k), k, 8000, 100, 0);

    // Monitors are not offered as inputs: a plain source that remaps it is.
    pulse.pactl({"load-module", "module-remap-source", "master=nullsink.monitor",
                  "source_name=heard", "source_properties=device.description=heard"});
    QAudioDevice monitor;
    for (int i = 0; i < 50 && monitor.isNull(); ++i) {
        for (const QAudioDevice &d : QMediaDevices::audioInputs())
            if (d.id() == "heard")
                monitor = d;
        QTest::qWait(100);
    }
    if (monitor.isNull()) {
        std::fprintf(stderr, "bench_ptt_timing: no monitor source among:\n");
        for (const QAudioDevice &d : QMediaDevices::audioInputs())
            std::fprintf(stderr, "  %s\n", d.id().constData());
        return 1;
    }
    Listener listener(monitor);
    // A silent stream keeps the sink running, as a station's sound card does.
    QProcess silence;
    silence.setProcessEnvironment(pulse.environment());
    silence.start("pacat", {"--playback", "--device=nullsink", "--raw", "--latency-msec=20", "/dev/zero"});
    QTest::qWait(2000);

    std::atomic<bool> spin{true};
    std::vector<std::thread> spinners;
    for (int i = 0; i < load; ++i)
        spinners.emplace_back([&spin] {
            volatile unsigned long n = 0;
            while (spin.load(std::memory_order_relaxed))
                n = n + 1;
        });

    TimedPtt ptt;
    Transmitter tx(&ptt);
    const int runs = 8;
    std::printf("%d spinning threads\n%-26s %28s %28s %22s\n", load, "setting",
                "lead-in error ms (min/med/max)", "tail error ms (min/med/max)", "first tone heard ms");
    struct Case { int leadIn, tail; bool keypad; };
    for (const auto [leadIn, tail, keypad] : {Case{300, 200, false}, Case{150, 100, false}, Case{0, 0, false},
                                               Case{300, 200, true}}) {
        EmissionSettings timing;
        timing.leadInMs = QString::number(leadIn);
        timing.tailMs = QString::number(tail);
        tx.setEmissionSettings(timing);
        std::vector<double> leadErr, tailErr, heard;
        for (int r = 0; r < runs; ++r) {
            listener.reset();
            QSignalSpy done(&tx, &Transmitter::finished);
            QString err;
            const bool started = keypad ? tx.startHeld(commandToneFiles("5").value(0), &err)
                                        : tx.startSequence(commandToneFiles("1"), &err);
            if (!started) {
                std::fprintf(stderr, "refused: %s\n", qPrintable(err));
                return 1;
            }
            if (keypad) {
                // Let go at once: the tone is played whole, then the tail.
                QSignalSpy keyed(&tx, &Transmitter::keyedChanged);
                tx.stopHeld();
                while (tx.isBusy() && keyed.wait(5000)) {
                }
            } else {
                done.wait(5000);
            }
            QTest::qWait(300);
            if (!listener.heard())
                continue;
            leadErr.push_back((listener.first() - ptt.on) * 1000 - leadIn);
            tailErr.push_back((ptt.off - listener.last()) * 1000 - tail);
            heard.push_back((listener.last() - listener.first()) * 1000);
        }
        auto stats = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v.empty() ? QStringLiteral("no tone heard")
                             : QStringLiteral("%1 / %2 / %3").arg(v.front(), 0, 'f', 1).arg(v[v.size() / 2], 0, 'f', 1).arg(v.back(), 0, 'f', 1);
        };
        std::printf("%-26s %28s %28s %22s\n",
                    qPrintable(QStringLiteral("%1 lead-in %2, tail %3")
                                   .arg(keypad ? "keypad" : "command").arg(leadIn).arg(tail)),
                    qPrintable(stats(leadErr)), qPrintable(stats(tailErr)), qPrintable(stats(heard)));
    }
    spin = false;
    for (std::thread &t : spinners)
        t.join();
    silence.kill();
    silence.waitForFinished();
    return 0;
}
