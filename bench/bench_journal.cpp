// The transmission journal at 100,000 rows (a year and more of a busy
// station): opening it, the window's first screenful, filters, the totals,
// the CSV export, and the cost of logging one transmission. Run on the
// offscreen platform:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_journal

#include "dialogs/journalwindow.h"
#include "store/journalexport.h"
#include "store/journalmodel.h"
#include "store/journalstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Rows = 100000;
constexpr int Repeaters = 30;
constexpr int Runs = 5;

QString repeaterName(int n)
{
    return QStringLiteral("Relais %1").arg(n, 2, 10, QLatin1Char('0'));
}

// Rows written in one transaction on a connection of the bench's own: going
// through begin() and finish() would time the disk, not the journal.
bool fill(const QString &path, const QDateTime &first)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-fill"));
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        const QStringList cols = JournalStore::columns().mid(1);
        ok = ok && q.prepare(QStringLiteral("INSERT INTO transmissions (%1) VALUES (%2)")
                                 .arg(cols.join(QLatin1Char(',')), QStringList(cols.size(), QStringLiteral("?")).join(',')));
        auto *rng = QRandomGenerator::global();
        const auto outcomes = JournalEntry::outcomes();
        // A year and a bit: one row every 6 minutes on average.
        qint64 t = first.toMSecsSinceEpoch();
        for (int i = 0; ok && i < Rows; ++i) {
            t += 60000 + rng->bounded(600000);
            const qint64 end = t + 800 + rng->bounded(9000);
            const int r = 1 + rng->bounded(Repeaters);
            const QDateTime s = QDateTime::fromMSecsSinceEpoch(t, Qt::UTC);
            const QDateTime e = QDateTime::fromMSecsSinceEpoch(end, Qt::UTC);
            const auto outcome = outcomes[1 + rng->bounded(int(outcomes.size()) - 2)];
            for (const QVariant &v :
                 {QVariant(t), QVariant(JournalStore::utcText(s)), QVariant(end), QVariant(JournalStore::utcText(e)),
                  QVariant(JournalEntry::storedName(JournalEntry::Origin::Command)), QVariant(r), QVariant(repeaterName(r)),
                  QVariant(QString::number(r % 10)), QVariant(QStringLiteral("10.%1").arg(400 + r)),
                  QVariant(QStringLiteral("Faisceau vers %1").arg(repeaterName((r % Repeaters) + 1))),
                  QVariant(QStringLiteral("Vidéo")), QVariant(QStringLiteral("%1%2#").arg(r % 10).arg(i % 100)),
                  QVariant(QStringLiteral("%1%2#").arg(r % 10).arg(i % 100)),
                  QVariant(JournalEntry::storedName(JournalEntry::Answer::Yes)),
                  QVariant(JournalEntry::storedName(outcome)), QVariant(QStringLiteral("RTS")),
                  QVariant(QStringLiteral("/dev/ttyUSB0")), QVariant(QStringLiteral("Carte son USB")),
                  QVariant(QStringLiteral("F1ABC")), QVariant(QStringLiteral("Pontavel"))})
                q.addBindValue(v);
            ok = q.exec();
        }
        if (!ok)
            std::fprintf(stderr, "fill failed: %s\n", qPrintable(q.lastError().text()));
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-fill"));
    return ok;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// The model read as a view does: the query, then what a screen of 40 rows shows.
int firstScreen(JournalModel &model, const JournalFilter &filter)
{
    model.setFilter(filter);
    int cells = 0;
    for (int r = 0; r < std::min(40, model.rowCount()); ++r)
        for (int c = 0; c < JournalModel::ColumnCount; ++c)
            cells += model.data(model.index(r, c)).toString().isEmpty() ? 0 : 1;
    return cells;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(JournalStore::fileName());
    const QDateTime first(QDate(2025, 9, 1), QTime(8, 0));
    {
        JournalStore creator;
        if (!dir.isValid() || !creator.open(path)) {
            std::fprintf(stderr, "cannot create the journal: %s\n", qPrintable(creator.lastError()));
            return 1;
        }
    }
    QElapsedTimer fillTime;
    fillTime.start();
    if (!fill(path, first))
        return 1;
    std::printf("journal of %d rows written in %.0f ms (%.1f MB)\n", Rows, double(fillTime.elapsed()),
                double(QFile(path).size()) / 1e6);

    JournalStore store;
    std::vector<double> ms;
    for (int i = 0; i < Runs; ++i) {
        ms.push_back(timeMs([&] { store.open(path); }));
    }
    std::printf("open journal.db: median %.2f ms\n", median(ms));
    ms.clear();
    for (int i = 0; i < Runs; ++i)
        ms.push_back(timeMs([&] { store.markInterrupted(); }));
    std::printf("markInterrupted (start-up, nothing open): median %.2f ms\n", median(ms));

    ms.clear();
    for (int i = 0; i < Runs; ++i) {
        ms.push_back(timeMs([&] {
            JournalWindow w(store);
            w.show();
            QApplication::processEvents();
            w.table->viewport()->repaint();
        }));
    }
    std::printf("window opened and painted, totals included: median %.1f ms\n", median(ms));

    const QDate lastDay = first.date().addDays(Rows * 6 / 1440);
    struct Case { const char *name; JournalFilter filter; };
    std::vector<Case> cases(5);
    cases[0].name = "no filter";
    cases[1] = {"text (a sequence)", {}};
    cases[1].filter.text = QStringLiteral("742#");
    cases[2] = {"date range (one month)", {}};
    cases[2].filter.from = lastDay.addMonths(-6);
    cases[2].filter.to = lastDay.addMonths(-5);
    cases[3] = {"repeater", {}};
    cases[3].filter.repeater = repeaterName(17);
    cases[4] = {"repeater + outcome + text", {}};
    cases[4].filter.repeater = repeaterName(17);
    cases[4].filter.outcome = JournalEntry::Outcome::Confirmed;
    cases[4].filter.text = QStringLiteral("Faisceau");
    JournalModel model(store);
    for (const Case &c : cases) {
        std::vector<double> screen, totals;
        JournalTotals t;
        for (int i = 0; i < Runs; ++i) {
            screen.push_back(timeMs([&] { firstScreen(model, c.filter); }));
            totals.push_back(timeMs([&] { t = store.totals(c.filter); }));
        }
        std::printf("filter %-26s first screen %7.2f ms, totals %7.2f ms (%lld rows, %s on air)\n", c.name,
                    median(screen), median(totals), t.count, qPrintable(JournalExport::duration(t.onAirMs)));
    }

    const double all = timeMs([&] {
        model.setFilter({});
        while (model.canFetchMore())
            model.fetchMore();
    });
    std::printf("scrolled to the last of %d rows (every fetch): %.0f ms\n", model.rowCount(), all);
    double names = timeMs([&] { store.repeaterNames(); });
    std::printf("repeater names for the filter: %.2f ms\n", names);

    QFile csv(dir.filePath(QStringLiteral("journal.csv")));
    qint64 exported = 0;
    const double exportMs = timeMs([&] {
        csv.open(QIODevice::WriteOnly);
        JournalExport::writeCsv(store, {}, csv, nullptr, &exported);
        csv.close();
    });
    std::printf("CSV export of %lld rows: %.0f ms (%.1f MB)\n", exported, exportMs, double(csv.size()) / 1e6);

    // Logging as the transmitter does it: one row as the line goes up, its end
    // as it drops, each committed on its own.
    ms.clear();
    JournalEntry e;
    e.repeaterName = repeaterName(3);
    e.sequence = QStringLiteral("312#");
    for (int i = 0; i < 200; ++i) {
        e.start = QDateTime::currentDateTimeUtc();
        ms.push_back(timeMs([&] {
            const qint64 id = store.begin(e);
            store.finish(id, e.start.addSecs(3), JournalEntry::Answer::Yes, JournalEntry::Outcome::Confirmed, e.sequence);
        }));
    }
    std::printf("begin + finish of one transmission: median %.3f ms, max %.3f ms\n", median(ms),
                *std::max_element(ms.begin(), ms.end()));
    return 0;
}
