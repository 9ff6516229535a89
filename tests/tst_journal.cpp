// The transmission journal on real journal.db files: rows written and read
// back, rows left open by a crash, a disk that refuses writes, the CSV export
// (read back by Python's csv module), date filters, the night summer time
// ends, pontavel-journal, and the window on 1,000 rows. Local time is Paris.

#include "dialogs/journalwindow.h"
#include "store/journalexport.h"
#include "store/journalmodel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

namespace {

QDateTime utc(const QString &iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs).toUTC();
}

JournalEntry sample(const QDateTime &start, const QString &name = QStringLiteral("Mont Aigoual"))
{
    JournalEntry e;
    e.start = start;
    e.origin = JournalEntry::Origin::Keypad;
    e.repeaterNumber = 4;
    e.repeaterName = name;
    e.repeaterKey = QStringLiteral("4");
    e.repeaterFreq = QStringLiteral("10.450");
    e.commandTx = QStringLiteral("Faisceau nord");
    e.commandRx = QStringLiteral("Vidéo 2");
    e.sequence = QStringLiteral("41*#");
    e.pttMethod = QStringLiteral("DTR");
    e.pttPort = QStringLiteral("/dev/ttyUSB1");
    e.soundOutput = QStringLiteral("Carte son USB");
    e.callsign = QStringLiteral("F1XYZ");
    e.place = QStringLiteral("Le Vigan");
    return e;
}

// Every field, times to the ms, as text.
QStringList dump(const JournalEntry &e)
{
    return QStringList{QString::number(e.start.toMSecsSinceEpoch()), e.end.isValid() ? QString::number(e.end.toMSecsSinceEpoch()) : "-"}
           + JournalExport::fields(e);
}

// The whole table through a connection of the test's own.
QList<QStringList> table(const QString &path)
{
    QList<QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dump");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec("SELECT * FROM transmissions ORDER BY id"))
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << (q.isNull(i) ? "<null>" : q.value(i).toString());
                rows << row;
            }
    }
    QSqlDatabase::removeDatabase("dump");
    return rows;
}

QByteArray csvOf(const JournalStore &store, const JournalFilter &filter = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return JournalExport::writeCsv(store, filter, buffer) ? buffer.data() : QByteArray("échec");
}

} // namespace

class tst_Journal : public QObject
{
    Q_OBJECT
private slots:
    void rowBegunThenFinishedReadsBackWhole()
    {
        QTemporaryDir dir;
        JournalStore store;
        QVERIFY(store.open(dir.filePath("journal.db")));
        JournalEntry e = sample(utc("2026-05-01T18:40:12.345Z"));
        const qint64 id = store.begin(e);
        QVERIFY(id > 0);
        QCOMPARE(store.entry(id)->outcome, JournalEntry::Outcome::Open);
        QVERIFY(!store.entry(id)->end.isValid());
        e.id = id;
        e.end = e.start.addMSecs(4321);
        e.answer = JournalEntry::Answer::No;
        e.outcome = JournalEntry::Outcome::Repeated;
        e.keysPlayed = QStringLiteral("41*");
        QVERIFY(store.finish(id, e.end, e.answer, e.outcome, e.keysPlayed));
        // An id this session never began is refused: another row is never rewritten.
        QVERIFY(!store.finish(id + 1, e.end, e.answer, e.outcome, {}) && !store.finish(-7, e.end, e.answer, e.outcome, {}));
        store.close();
        JournalStore again;
        QVERIFY(again.open(dir.filePath("journal.db"), JournalStore::Mode::ReadOnly));
        QCOMPARE(dump(*again.entry(id)), dump(e));
    }

    void rowsLeftOpenBecomeInterruptedAndNothingElseChanges()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("journal.db");
        {
            JournalStore store;
            QVERIFY(store.open(path));
            for (int i = 0; i < 4; ++i) {
                const qint64 id = store.begin(sample(utc("2026-05-01T10:00:00Z").addSecs(i * 60)));
                if (i % 2 == 0)  // the others stay open, as after a SIGKILL
                    store.finish(id, utc("2026-05-01T10:00:05Z").addSecs(i * 60), JournalEntry::Answer::Yes,
                                 JournalEntry::Outcome::Confirmed, "41*#");
            }
        }
        QList<QStringList> expected = table(path);
        const int outcome = int(JournalStore::columns().indexOf("outcome"));
        for (QStringList &row : expected)
            if (row[outcome] == JournalEntry::storedName(JournalEntry::Outcome::Open))
                row[outcome] = "interrompu";
        JournalStore store;
        QVERIFY(store.open(path));
        QCOMPARE(store.markInterrupted(), 2);
        QCOMPARE(table(path), expected);
        QCOMPARE(store.markInterrupted(), 0);
    }

    void fullDiskFailsQuicklyIsReportedOnceAndCatchesUp()
    {
        QTemporaryDir dir;
        JournalStore store;
        QVERIFY(store.open(dir.filePath("journal.db")));
        QVERIFY(store.begin(sample(utc("2026-05-01T10:00:00Z"))) > 0);
        QSignalSpy failed(&store, &JournalStore::writeFailed), recovered(&store, &JournalStore::writeRecovered);
        // No file may grow any more (SIGXFSZ ignored): the disk is full.
        rlimit was{}, full{0, 0};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &was) == 0 && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR);
        full.rlim_max = was.rlim_max;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
        QElapsedTimer clock;
        clock.start();
        const qint64 a = store.begin(sample(utc("2026-05-01T11:00:00Z")));
        const bool finished = store.finish(a, utc("2026-05-01T11:00:03Z"), JournalEntry::Answer::Cancel,
                                           JournalEntry::Outcome::Cancelled, "4");
        const qint64 b = store.begin(sample(utc("2026-05-01T12:00:00Z")));
        const qint64 elapsed = clock.elapsed();
        setrlimit(RLIMIT_FSIZE, &was);
        QVERIFY(a < 0 && b < 0 && !finished);
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
        QCOMPARE(failed.count(), 1);
        QVERIFY(store.isFailing() && store.lastError().contains("journal.db"));
        QCOMPARE(store.backlog(), 3);
        // The disk has room again: what was held is written at the next call.
        QVERIFY(store.finish(b, utc("2026-05-01T12:00:02Z"), JournalEntry::Answer::Yes,
                             JournalEntry::Outcome::Confirmed, "41*#"));
        QVERIFY(!store.isFailing() && store.backlog() == 0 && recovered.count() == 1 && failed.count() == 1);
        QStringList outcomes;
        store.forEach({}, [&](const JournalEntry &e) { return outcomes << QString("%1 %2").arg(e.durationMs()).arg(JournalEntry::storedName(e.outcome)), true; });
        QCOMPARE(outcomes, QStringList({"2000 confirme", "3000 annule", "-1 en-cours"}));
    }

    void csvReadsBackWithPython()
    {
        QTemporaryDir dir;
        JournalStore store;
        QVERIFY(store.open(dir.filePath("journal.db")));
        JournalEntry e = sample(utc("2026-05-01T10:00:00Z"), "Relais \"Nord\", col\nde l'Été");
        e.commandTx = "a,b\r\nc";  // and fields holding only one of the three
        e.commandRx = "Vidéo \"2\"";
        e.place = "Le Vigan\nGard";
        e.soundOutput = "USB, 2";
        e.id = store.begin(e);
        QVERIFY(e.id > 0);
        QFile csv(dir.filePath("j.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly) && JournalExport::writeCsv(store, {}, csv));
        csv.close();
        QProcess py;
        py.start("python3", {"-c", "import csv,json,sys; print(json.dumps(list(csv.reader(open(sys.argv[1], "
                                   "newline='', encoding='utf-8')))))", csv.fileName()});
        QVERIFY(py.waitForFinished(20000) && py.exitCode() == 0);
        const QJsonArray rows = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].toVariant().toStringList(), JournalExport::headings());
        QCOMPARE(rows[1].toVariant().toStringList(), JournalExport::fields(*store.entry(e.id)));
        QVERIFY(csvOf(store).startsWith(JournalExport::headings().join(',').toUtf8() + "\r\n"));
    }

    void dateFiltersIncludeBothEndsAndToolPrintsTheSame()
    {
        QTemporaryDir dir;
        JournalStore store;
        QVERIFY(store.open(dir.filePath("journal.db")));
        // Local times, each a ms off a day's edge.
        for (const char *t : {"2026-03-09T23:59:59.999", "2026-03-10T00:00:00.000", "2026-03-12T23:59:59.999",
                              "2026-03-13T00:00:00.000"})
            store.begin(sample(QDateTime::fromString(t, Qt::ISODateWithMs)));
        JournalFilter f;
        f.from = QDate(2026, 3, 10);
        f.to = QDate(2026, 3, 12);
        QStringList starts;
        store.forEach(f, [&](const JournalEntry &e) { return starts << JournalExport::localIso(e.start), true; });
        QCOMPARE(starts, QStringList({"2026-03-12T23:59:59.999+01:00", "2026-03-10T00:00:00.000+01:00"}));
        f.from = f.to;
        QCOMPARE(store.totals(f).count, qint64(1));

        const QString tool = qEnvironmentVariable("PONTAVEL_BINARY_DIR") + "/tools/pontavel-journal";
        QProcess p;
        p.start(tool, {"--dossier", dir.path(), "--du", "2026-03-10", "--au", "2026-03-12"});
        QVERIFY(p.waitForFinished(20000) && p.exitCode() == 0);
        f.from = QDate(2026, 3, 10);
        QCOMPARE(p.readAllStandardOutput(), csvOf(store, f));
        p.start(tool, {"--help"});
        QVERIFY(p.waitForFinished(20000) && p.exitCode() == 0 && p.readAllStandardOutput().contains("--dossier"));
        p.start(tool, {"--dossier", dir.filePath("vide")});
        QVERIFY(p.waitForFinished(20000) && p.exitCode() == 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains("aucun journal de trafic"));
    }

    void rowAcrossTheEndOfSummerTime()
    {
        QTemporaryDir dir;
        JournalStore store;
        QVERIFY(store.open(dir.filePath("journal.db")));
        // 02:59 summer time, then the clocks go back: 02:01 winter time, two minutes later.
        JournalEntry e = sample(utc("2026-10-25T00:59:00Z"));
        const qint64 id = store.begin(e);
        store.finish(id, utc("2026-10-25T01:01:00Z"), JournalEntry::Answer::Yes, JournalEntry::Outcome::Confirmed, "4");
        const QStringList row = JournalExport::fields(*store.entry(id));
        QCOMPARE(row.mid(1, 3), QStringList({"2026-10-25T02:59:00.000+02:00", "2026-10-25T02:01:00.000+01:00", "0:02:00.000"}));
        JournalModel model(store);
        JournalFilter day;
        day.from = day.to = QDate(2026, 10, 25);
        QVERIFY(model.setFilter(day) && model.rowCount() == 1);
        QCOMPARE(model.index(0, JournalModel::End).data().toString(), "25/10/2026 02:01:00");
        QCOMPARE(model.index(0, JournalModel::Duration).data().toString(), "0:02:00");
    }

    void windowFiltersAndTotalsOnAThousandRows()
    {
        QTemporaryDir dir;
        JournalStore store;
        QVERIFY(store.open(dir.filePath("journal.db")));
        const QDateTime first = utc("2026-01-01T12:00:00Z");
        QHash<QString, JournalTotals> byRepeater;
        JournalTotals confirmedOn5th, withKey7;
        for (int i = 0; i < 1000; ++i) {
            JournalEntry e = sample(first.addSecs(i * 3600), QString("R%1").arg(i % 5));
            e.sequence = QString::number(i);
            const auto outcome = i % 3 ? JournalEntry::Outcome::Confirmed : JournalEntry::Outcome::Stopped;
            const qint64 ms = 1000 + i * 37;
            store.finish(store.begin(e), e.start.addMSecs(ms), JournalEntry::Answer::Yes, outcome, {});
            auto add = [ms](JournalTotals &t) { ++t.count, t.onAirMs += ms; };
            add(byRepeater[e.repeaterName]);
            if (outcome == JournalEntry::Outcome::Confirmed && e.start.toLocalTime().date() == QDate(2026, 1, 5))
                add(confirmedOn5th);
            if (e.sequence.contains('7'))
                add(withKey7);
        }
        JournalWindow w(store);
        w.show();
        QCOMPARE(w.totals().count, qint64(1000));
        QCOMPARE(w.repeaterBox->count(), 6);
        w.repeaterBox->setCurrentIndex(w.repeaterBox->findText("R3"));
        QCOMPARE(w.totals().onAirMs, byRepeater["R3"].onAirMs);
        QCOMPARE(w.totals().count, byRepeater["R3"].count);
        QVERIFY(w.totalsLabel->text().contains(JournalExport::duration(byRepeater["R3"].onAirMs)));
        w.repeaterBox->setCurrentIndex(0);
        w.outcomeBox->setCurrentIndex(w.outcomeBox->findText(JournalEntry::label(JournalEntry::Outcome::Confirmed)));
        w.fromDate->setDate(QDate(2026, 1, 5));
        w.toDate->setDate(QDate(2026, 1, 5));
        w.periodCheck->setChecked(true);
        QCOMPARE(w.totals().count, confirmedOn5th.count);
        QCOMPARE(w.totals().onAirMs, confirmedOn5th.onAirMs);
        QCOMPARE(w.model()->rowCount(), int(confirmedOn5th.count));
        w.periodCheck->setChecked(false);
        w.outcomeBox->setCurrentIndex(0);
        w.findText->setText("7");
        QTRY_COMPARE(w.totals().count, withKey7.count);
        QCOMPARE(w.totals().onAirMs, withKey7.onAirMs);
        // Newest first, and the export holds what is shown.
        const QModelIndex top = w.model()->index(0, JournalModel::Start), next = w.model()->index(1, JournalModel::Start);
        QVERIFY(QDateTime::fromString(top.data().toString(), "dd/MM/yyyy HH:mm:ss") > QDateTime::fromString(next.data().toString(), "dd/MM/yyyy HH:mm:ss"));
        QVERIFY(w.exportTo(dir.filePath("vu.csv")));
        QFile csv(dir.filePath("vu.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(qint64(csv.readAll().count("\r\n")), withKey7.count + 1);
    }
};

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Paris");
    tzset();
    QApplication app(argc, argv);
    tst_Journal t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_journal.moc"
