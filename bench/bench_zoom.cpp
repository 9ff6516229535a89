// Time of the map's zoom steps, a pan and an icon drag, each with the repaint
// of the view, on a large map with 30 repeaters. Run on the offscreen platform:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_zoom
// PONTAVEL_BENCH_MAP=WxH sets the map picture's size in pixels (8000x6000).

#include "app/appcontext.h"
#include "map/frmmain.h"
#include "map/mapinteraction.h"
#include "map/mapscene.h"
#include "map/mapview.h"
#include "map/repeatericon.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {
struct Bench
{
    QTemporaryDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<frmMain> frm;
    MapInteraction *zoom = nullptr;
};
Bench *g = nullptr;

bool makeWorkspace(const QSize &size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(200, 220, 190));
    QPainter p(&img);
    p.setPen(QPen(QColor(60, 90, 160), 5));
    for (int i = 0; i < 40; ++i)
        p.drawLine(0, i * size.height() / 40, size.width(), size.height() - i * size.height() / 40);
    p.end();
    if (!img.save(QStringLiteral("plan.bmp"), "BMP"))
        return false;
    Store store;
    if (store.open(QStringLiteral("relai.db")) == Store::OpenResult::Failed)
        return false;
    const QString keys = QStringLiteral("0123456789ABCD#*");
    QSqlQuery q(store.database());
    for (int n = 1; n <= 30; ++n) {
        const double x = 600 + (n % 6) * size.width() * 15.0 / 6.5;
        const double y = 600 + (n / 6) * size.height() * 15.0 / 5.5;
        // Beams chain each repeater to the next key.
        const QString chemin = QString(keys.at(n % 16)) + keys.at((n + 1) % 16);
        q.prepare(QStringLiteral("INSERT INTO \"Relais\" VALUES (?,?,?,?,?,?,?,?,?)"));
        for (const QVariant &v : QVariantList{n, QStringLiteral("Relais %1").arg(n), QString(keys.at(n % 16)),
                                              QStringLiteral("%1").arg(430 + n), x, y, x, y + 300, chemin})
            q.addBindValue(v);
        if (!q.exec())
            return false;
        store.CreeTable(QString::number(n));
    }
    return true;
}

void paint()
{
    g->frm->view()->viewport()->repaint();
}

void sendMove(QPoint pos, Qt::KeyboardModifiers mods)
{
    QWidget *vp = g->frm->view()->viewport();
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(vp->mapToGlobal(pos)), Qt::NoButton, Qt::LeftButton,
                  mods);
    QApplication::sendEvent(vp, &e);
}

void sendButton(QEvent::Type type, QPoint pos, Qt::KeyboardModifiers mods)
{
    QWidget *vp = g->frm->view()->viewport();
    QMouseEvent e(type, QPointF(pos), QPointF(vp->mapToGlobal(pos)), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, mods);
    QApplication::sendEvent(vp, &e);
}

// "Zoom +" then "Zoom -": re-layout, save to the settings row, repaint.
void BM_ZoomStep(benchmark::State &state)
{
    for (auto _ : state) {
        g->zoom->zoomIn();
        paint();
        g->zoom->zoomOut();
        paint();
    }
    state.SetItemsProcessed(state.iterations() * 2);
    state.counters["ms_per_step"] = benchmark::Counter(double(state.iterations() * 2),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same steps without the repaint: the re-layout and the save.
void BM_ZoomStepNoPaint(benchmark::State &state)
{
    for (auto _ : state) {
        g->zoom->zoomIn();
        g->zoom->zoomOut();
    }
}
BENCHMARK(BM_ZoomStepNoPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The re-layout alone: stored places read back and beams and routes redrawn.
void BM_ReplacerRelais(benchmark::State &state)
{
    for (auto _ : state)
        g->zoom->ReplacerRelais();
}
BENCHMARK(BM_ReplacerRelais)->Unit(benchmark::kMillisecond)->UseRealTime();

// The settings row written after every step, alone (one transaction).
void BM_SauveVue(benchmark::State &state)
{
    for (auto _ : state)
        g->zoom->SauveVue();
}
BENCHMARK(BM_SauveVue)->Unit(benchmark::kMillisecond)->UseRealTime();

// Repaint alone at the given zoom.
void BM_Repaint(benchmark::State &state)
{
    while (g->zoom->zoom().coef() < state.range(0))
        g->zoom->zoomIn();
    while (g->zoom->zoom().coef() > state.range(0))
        g->zoom->zoomOut();
    for (auto _ : state)
        paint();
}
BENCHMARK(BM_Repaint)->Arg(1)->Arg(5)->Arg(10)->Arg(11)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame of a Ctrl drag on the map, at the given zoom.
void BM_PanFrame(benchmark::State &state)
{
    while (g->zoom->zoom().coef() < state.range(0))
        g->zoom->zoomIn();
    while (g->zoom->zoom().coef() > state.range(0))
        g->zoom->zoomOut();
    const QPoint start(300, 300);
    sendButton(QEvent::MouseButtonPress, start, Qt::ControlModifier);
    int step = 0;
    for (auto _ : state) {
        sendMove(start + QPoint((step % 40) - 20, (step % 30) - 15), Qt::ControlModifier);
        paint();
        ++step;
    }
    sendButton(QEvent::MouseButtonRelease, start, Qt::ControlModifier);
}
BENCHMARK(BM_PanFrame)->Arg(5)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame of a Shift drag of an icon: the icon and its beams move.
void BM_IconDragFrame(benchmark::State &state)
{
    while (g->zoom->zoom().coef() > 10)
        g->zoom->zoomOut();
    MapScene *scene = g->frm->scene();
    const QPoint icon = g->frm->view()->mapFromScene(scene->activeIcon(7)->pos()) + QPoint(5, 5);
    sendButton(QEvent::MouseButtonPress, icon, Qt::ShiftModifier);
    int step = 0;
    for (auto _ : state) {
        sendMove(icon + QPoint(step % 50, step % 20), Qt::ShiftModifier);
        paint();
        ++step;
    }
    // Released without Shift: nothing is stored.
    sendButton(QEvent::MouseButtonRelease, icon, Qt::NoModifier);
}
BENCHMARK(BM_IconDragFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QSize size(8000, 6000);
    const QStringList wh = qEnvironmentVariable("PONTAVEL_BENCH_MAP").split(QLatin1Char('x'));
    if (wh.size() == 2 && wh[0].toInt() > 0 && wh[1].toInt() > 0)
        size = QSize(wh[0].toInt(), wh[1].toInt());
    Bench bench;
    g = &bench;
    const QString old = QDir::currentPath();
    QDir::setCurrent(bench.dir.path());
    if (!makeWorkspace(size)) {
        std::fprintf(stderr, "cannot make the working folder\n");
        return 1;
    }
    bench.ctx = std::make_unique<AppContext>();
    bench.frm = bench.ctx->makeMainWindow();
    bench.frm->resize(1280, 860);
    bench.frm->Load();
    bench.frm->show();
    bench.zoom = bench.frm->findChild<MapInteraction *>();
    QApplication::processEvents();
    if (!bench.frm->scene()->hasMapPicture()) {
        std::fprintf(stderr, "the map picture was not loaded\n");
        return 1;
    }
    std::printf("map %dx%d pixels, %d repeaters\n", size.width(), size.height(), bench.frm->scene()->repeaterCount());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench.frm.reset();
    bench.ctx.reset();
    QDir::setCurrent(old);
    return 0;
}
