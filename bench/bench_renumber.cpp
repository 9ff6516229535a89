// Time of deleting repeater 1 of a full network (30 repeaters with 30 commands
// each): its table dropped, the 29 rows after it renumbered and their command
// tables renamed, in one transaction on a real relai.db.
//
//   build/bench/bench_renumber

#include "store/schema.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#if PONTAVEL_HAVE_BENCHMARK
#include <benchmark/benchmark.h>
#endif

namespace {

constexpr int Repeaters = Schema::MaxRepeaters;
constexpr int Commands = Schema::MaxCommands;

Store *g_store = nullptr;
int g_serial = 0;

bool appendOne(Store &store)
{
    ++g_serial;
    Repeater r;
    r.nom = QStringLiteral("Relais %1").arg(g_serial);
    r.dtmf = QString::number(g_serial % 10);
    r.freq = QStringLiteral("10.%1").arg(400 + g_serial % 100);
    r.chemin = r.dtmf + QStringLiteral("12");
    QVector<Command> cmds(Commands);
    for (int j = 0; j < Commands; ++j) {
        cmds[j].tx = QStringLiteral("%1 commande %2").arg(r.nom).arg(j + 1);
        cmds[j].rx = QStringLiteral("Retour %1").arg(j + 1);
        cmds[j].wav[0] = QStringLiteral("12%1#").arg(j);
        cmds[j].wav[1] = QStringLiteral("A%1").arg(j);
        cmds[j].chemin = QStringLiteral("12-23");
        cmds[j].relais = QStringLiteral("123");
    }
    QString error;
    if (!store.appendNetwork({r}, {cmds}, &error)) {
        std::fprintf(stderr, "cannot append: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

// One timed delete; the network is filled up again outside the timing.
bool deleteFirst(Store &store)
{
    QString error;
    if (!store.deleteRepeater(1, &error)) {
        std::fprintf(stderr, "delete failed: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

#if PONTAVEL_HAVE_BENCHMARK
void BM_DeleteFirstOfThirty(benchmark::State &state)
{
    for (auto _ : state) {
        if (!deleteFirst(*g_store)) {
            state.SkipWithError("delete failed");
            break;
        }
        state.PauseTiming();
        const bool ok = appendOne(*g_store);
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("append failed");
            break;
        }
    }
}
BENCHMARK(BM_DeleteFirstOfThirty)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
#endif

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Store store;
    if (!dir.isValid() || store.open(dir.filePath("relai.db")) != Store::OpenResult::Created) {
        std::fprintf(stderr, "cannot prepare the database\n");
        return 1;
    }
    for (int k = 0; k < Repeaters; ++k)
        if (!appendOne(store))
            return 1;
    g_store = &store;

#if PONTAVEL_HAVE_BENCHMARK
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#endif
    constexpr int runs = 50;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!deleteFirst(store))
            return 1;
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!appendOne(store))
            return 1;
    }
    if (store.repeaterCount() != Repeaters || store.commandCount(Repeaters) != Commands) {
        std::fprintf(stderr, "the network did not come back whole\n");
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("delete repeater 1 of %d x %d (29 tables renamed): median %.2f ms, min %.2f ms, max %.2f ms (%d runs)\n",
                Repeaters, Commands, ms[ms.size() / 2], ms.front(), ms.back(), runs);
    return 0;
}
