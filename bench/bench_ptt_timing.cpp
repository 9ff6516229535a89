// Lead-in and tail as heard: a private PulseAudio null sink, its monitor read
// back in this process, against the times the transmitter keyed and released
// its PTT. Prints, per setting, the error of each (measured - configured) and
// how much of the first tone came out, for sequences and for keypad tones let
// go early. Run by hand: build/bench/bench_ptt_timing [--load N], N threads
// spinning meanwhile (a busy machine keys late: the lead-in must not shorten).
#include "audio/tonefiles.h"
#include "audio/transmitter.h"
#include "../tests/listener.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

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

    const QAudioDevice monitor = Listener::monitor(pulse);
    if (monitor.isNull()) {
        std::fprintf(stderr, "bench_ptt_timing: no monitor source\n");
        return 1;
    }
    Listener listener(monitor);
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
    return 0;
}
