// Route duration dialog, video monitor start and the links of the help pages.

#include "testmain.h"
#include "testsupport.h"

#include "core/frenchqt.h"
#include "dialogs/frmtempo.h"
#include "dialogs/helpwindow.h"
#include "dialogs/videomonitor.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QPushButton>
#include <QToolButton>

#include <signal.h>
#include <sys/wait.h>

namespace {
const QString helpDir = QStringLiteral(":/resources/help");

QString read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

struct Fixture
{
    TempWorkspace ws;
    AppContext ctx;
    Fixture()
    {
        ws.store();
        ws.setParam("tempo", 5);
        ws.closeStore();
        ctx.store.open(ws.file("relai.db"));
        ctx.config.load();
    }
    double storedTempo() const { return ws.storedSettings().tempo; }
};
} // namespace

class tst_dialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettings(); }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("12") << "12" << 12.0;
        QTest::newRow("12abc") << "12abc" << 12.0;
        QTest::newRow("abc") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blank then decimals") << "  2.5 min" << 2.5;
        QTest::newRow("two points") << "12.7.3" << 12.7;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e2x" << 100.0;
        QTest::newRow("sign") << "-3" << -3.0;
        QTest::newRow("comma is not a point") << "7,5" << 7.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::leadingNumber(text), value);
    }

    void tempoDialog_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("stored");
        QTest::addColumn<int>("duree");
        QTest::newRow("12") << "12" << 12.0 << 12;
        QTest::newRow("12abc") << "12abc" << 12.0 << 12;
        QTest::newRow("abc") << "abc" << 0.0 << 0;
        QTest::newRow("2.5 rounds to even") << "2.5" << 2.5 << 2;
        QTest::newRow("3.5 rounds to even") << "3.5" << 3.5 << 4;
        QTest::newRow("negative reads as 0") << "-4" << 0.0 << 0;
    }
    void tempoDialog()
    {
        QFETCH(QString, text);
        QFETCH(double, stored);
        QFETCH(int, duree);
        Fixture f;
        frmTempo d(f.ctx);
        d.show();
        d.tempo->clear();
        QTest::keyClicks(d.tempo, text);
        QTest::mouseClick(d.CmdOk, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.minutes(), stored);
        QVERIFY(f.ctx.config.applyTempo(d.minutes(), nullptr));
        QCOMPARE(f.storedTempo(), stored);
        QCOMPARE(f.ctx.state.DureeAffichage(), duree);
    }

    void upDownCountsFromItsOwnValue()
    {
        Fixture f;
        frmTempo d(f.ctx);
        d.show();
        d.tempo->setText("40");
        QTest::mouseClick(d.UpDown1->up, Qt::LeftButton);
        QCOMPARE(d.tempo->text(), QStringLiteral("6"));
        QTest::mouseClick(d.UpDown1->down, Qt::LeftButton);
        QTest::mouseClick(d.UpDown1->down, Qt::LeftButton);
        QCOMPARE(d.tempo->text(), QStringLiteral("4"));
    }

    void cancelKeepsTheDuration()
    {
        Fixture f;
        frmTempo d(f.ctx);
        d.show();
        d.tempo->setText("42");
        QTest::mouseClick(d.CmdAnnule, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(f.storedTempo(), 5.0);
        QCOMPARE(f.ctx.state.DureeAffichage(), 5);
    }

    void writeFailureIsReportedAndChangesNothing()
    {
        Fixture f;
        {
            QSqlQuery q(f.ctx.store.database());
            QVERIFY(q.exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                           "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END"));
        }
        QString error;
        QVERIFY(!f.ctx.config.applyTempo(12, &error));
        QVERIFY2(error.contains("lecture seule"), qPrintable(error));
        QCOMPARE(f.storedTempo(), 5.0);
        QCOMPARE(f.ctx.state.DureeAffichage(), 5);
        QCOMPARE(f.ctx.config.row().tempo, 5.0);
    }

    // Qt's own buttons and menus in French whatever the desktop's language.
    // Qt's own buttons and menus in French whatever the desktop's language:
    // an operator once met "Yes / No / Cancel" after each sequence.
    void qtSpeaksFrench()
    {
        QVERIFY(FrenchQt::install(*qApp));
        QMessageBox box(QMessageBox::Question, "Pontavel", "Etes vous sûr ?",
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Oui"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Non"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Annuler"));
        QLineEdit edit("texte");
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList entries;
        for (QAction *a : menu->actions())
            entries << a->text();
        QVERIFY2(entries.join('|').contains("Tout sélectionner"), qPrintable(entries.join('|')));
    }

    void monitorStart()
    {
        QString error;
        QVERIFY(!VideoMonitor::start({"pontavel-pas-de-moniteur"}, &error));
        QCOMPARE(error, QStringLiteral("Erreur : Impossible de trouver le fichier pontavel-pas-de-moniteur"));
        QVERIFY(!VideoMonitor::start({"/nonexistent/vidcap32.exe"}, &error));
        QCOMPARE(error, QStringLiteral("Erreur : Impossible de trouver le fichier /nonexistent/vidcap32.exe"));

        // The first entry that starts wins; a missing one before it is skipped.
        qint64 pid = 0;
        error.clear();
        QVERIFY(VideoMonitor::start({"pontavel-pas-de-moniteur", "/bin/true"}, &error, &pid));
        QVERIFY(error.isEmpty());
        QVERIFY(pid > 0);

        // Started without waiting: the program still runs when start() is back.
        pid = 0;
        QVERIFY(VideoMonitor::start({"sleep 30"}, &error, &pid));
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), 0), 0);
        ::kill(pid_t(pid), SIGTERM);
    }

    void everyInternalLinkResolves()
    {
        const QStringList files = QDir(helpDir).entryList({"*.html"}, QDir::Files);
        QVERIFY(files.size() >= 8);
        static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
        int checked = 0;
        for (const QString &name : files) {
            const QString html = read(helpDir + "/" + name);
            QVERIFY2(html.contains("<title>"), qPrintable(name));
            for (auto it = link.globalMatch(html); it.hasNext();) {
                const QString target = it.next().captured(1);
                if (target.startsWith("http") || target.startsWith("mailto:"))
                    continue;
                const QString file = target.section('#', 0, 0);
                const QString anchor = target.section('#', 1);
                const QString path = helpDir + "/" + (file.isEmpty() ? name : file);
                QVERIFY2(QFile::exists(path), qPrintable(name + " -> " + target));
                if (!anchor.isEmpty())
                    QVERIFY2(read(path).contains(QStringLiteral("id=\"%1\"").arg(anchor)),
                             qPrintable(name + " -> " + target));
                ++checked;
            }
        }
        QVERIFY(checked > 20);
        // The contents list names the pages that are there, the index links each of them.
        const QString index = read(helpDir + "/index.html");
        for (const HelpWindow::Page &p : HelpWindow::pages()) {
            QVERIFY2(files.contains(p.file), qPrintable(p.file));
            if (p.file != "index.html")
                QVERIFY2(index.contains(QStringLiteral("href=\"%1\"").arg(p.file)), qPrintable(p.file));
        }
        // The wiring page gives the pins.
        const QString ptt = read(helpDir + "/ptt.html");
        QVERIFY(ptt.contains("broche 7"));
        QVERIFY(ptt.contains("broche 5"));
        QVERIFY(ptt.contains("<pre>"));
    }
};

PONTAVEL_TEST(tst_dialogs)
#include "tst_dialogs.moc"
