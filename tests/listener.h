#pragma once

// Lead-in and tail as heard: the null sink's monitor read back in this
// process, against the times a PTT was keyed and released.

#include "pulsefixture.h"
#include "ptt/ptt.h"

#include <QAudioSource>
#include <QMediaDevices>
#include <QThread>

#include <ctime>
#include <memory>

inline double clockNow()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// `slowMs`: how long keying takes (a rig's CAT answer, say); `on` is when it
// began.
struct TimedPtt : Ptt
{
    double on = 0, off = 0;
    bool keyed = false;
    int slowMs = 0;
    bool key(QString *) override
    {
        on = clockNow();
        if (slowMs)
            QThread::msleep(slowMs);
        return keyed = true;
    }
    void release() override
    {
        if (keyed)
            off = clockNow();
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
    // The null sink's monitor as an input (monitors are not offered as
    // inputs: a plain source that remaps it is); null when it does not show.
    static QAudioDevice monitor(PulseFixture &pulse)
    {
        pulse.pactl({"load-module", "module-remap-source", "master=nullsink.monitor", "source_name=heard",
                     "source_properties=device.description=heard"});
        for (int i = 0; i < 50; ++i, QTest::qWait(100))
            for (const QAudioDevice &d : QMediaDevices::audioInputs())
                if (d.id() == "heard")
                    return d;
        return {};
    }

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
            const double t = clockNow();
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
