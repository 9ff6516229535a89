// Start-up cost of the main window on a full network: 30 repeaters, each with
// a beam, their command tables, and a 1400 x 900 map picture.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_startup

#include "app/appcontext.h"
#include "store/store.h"
#include "map/frmmain.h"
#include "map/mapscene.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

#if PONTAVEL_HAVE_BENCHMARK
#include <benchmark/benchmark.h>
#endif

namespace {

constexpr int MapWidth = 1400;
constexpr int MapHeight = 900;
constexpr int Repeaters = 30;

// A map picture with enough detail that decoding it costs what a real one does.
bool writeMap(const QString &file)
{
    QImage img(MapWidth, MapHeight, QImage::Format_RGB888);
    QPainter p(&img);
    QLinearGradient g(0, 0, MapWidth, MapHeight);
    g.setColorAt(0, QColor(170, 205, 230));
    g.setColorAt(0.3, QColor(205, 225, 180));
    g.setColorAt(1, QColor(225, 205, 175));
    p.fillRect(img.rect(), g);
    QRandomGenerator rng(42);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 400; ++i) {
        p.setPen(QPen(QColor(rng.bounded(256), rng.bounded(256), rng.bounded(256)), 1 + rng.bounded(3)));
        p.drawLine(rng.bounded(MapWidth), rng.bounded(MapHeight), rng.bounded(MapWidth), rng.bounded(MapHeight));
    }
    p.end();
    return img.save(file, "BMP");
}

bool writeNetwork(const QString &file)
{
    Store store;
    if (store.open(file) != Store::OpenResult::Created)
        return false;
    const QString keys = QStringLiteral("0123456789ABCD#*");
    QVector<Repeater> list;
    QVector<QVector<Command>> commands;
    for (int n = 1; n <= Repeaters; ++n) {
        Repeater r;
        r.nom = QStringLiteral("Relais numéro %1").arg(n);
        r.dtmf = keys.at((n - 1) % keys.size());
        r.freq = QStringLiteral("10.%1").arg(400 + n);
        r.posGauche = 600 + ((n - 1) % 6) * 3300;
        r.posHaut = 600 + ((n - 1) / 6) * 2500;
        r.libellePosGau = r.posGauche + 315;
        r.libellePosHaut = r.posHaut - 60;
        // One beam each, towards the next repeater.
        r.chemin = r.dtmf + keys.at(n % keys.size());
        list << r;
        QVector<Command> c(4);
        for (int k = 0; k < c.size(); ++k) {
            c[k].tx = QStringLiteral("Commande %1").arg(k + 1);
            c[k].rx = QStringLiteral("Réception %1").arg(k + 1);
            c[k].wav[0] = QStringLiteral("1234");
            c[k].wav[1] = QStringLiteral("%1#").arg(k);
            c[k].chemin = r.chemin;
            c[k].relais = r.dtmf;
        }
        commands << c;
    }
    return store.appendNetwork(list, commands);
}

void loadOnce(bool paint)
{
    AppContext ctx;
    const std::unique_ptr<frmMain> w = ctx.makeMainWindow();
    w->Load();
    if (paint) {
        w->resize(1280, 800);
        const QPixmap shot = w->grab();
        if (shot.isNull())
            std::fprintf(stderr, "grab failed\n");
    }
}

#if PONTAVEL_HAVE_BENCHMARK
void BM_ConstructAndLoad(benchmark::State &state)
{
    for (auto _ : state)
        loadOnce(false);
}
BENCHMARK(BM_ConstructAndLoad)->Unit(benchmark::kMillisecond);

void BM_LoadAndFirstPaint(benchmark::State &state)
{
    for (auto _ : state)
        loadOnce(true);
}
BENCHMARK(BM_LoadAndFirstPaint)->Unit(benchmark::kMillisecond);
#endif

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !writeMap(dir.filePath("plan.bmp")) || !writeNetwork(dir.filePath("relai.db"))) {
        std::fprintf(stderr, "cannot prepare the workspace\n");
        return 1;
    }
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        // Measure only a load that places the whole network.
        AppContext ctx;
        const std::unique_ptr<frmMain> w = ctx.makeMainWindow();
        w->Load();
        if (!w->loadMessages().isEmpty() || w->scene()->repeaterCount() != Repeaters || !w->scene()->hasMapPicture()) {
            std::fprintf(stderr, "the workspace did not load: %s\n", qPrintable(w->loadMessages().join(' ')));
            return 1;
        }
    }

#if PONTAVEL_HAVE_BENCHMARK
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#else
    for (bool paint : {false, true}) {
        QElapsedTimer t;
        constexpr int runs = 20;
        t.start();
        for (int i = 0; i < runs; ++i)
            loadOnce(paint);
        std::printf("%s: %.2f ms\n", paint ? "load + first paint" : "construct + load",
                    double(t.nsecsElapsed()) / 1e6 / runs);
    }
#endif
    QDir::setCurrent(old);
    return 0;
}
