// The colour entries through the real window, the route duration dialog, the toolbar's help, Qt's
// own texts in French, the video monitor start and the help pages' links.

#include "testmain.h"
#include "testsupport.h"

#include "core/convert.h"
#include "app/frenchqt.h"
#include "dialogs/frmtempo.h"
#include "dialogs/helpwindow.h"
#include "dialogs/journalwindow.h"
#include "dialogs/videomonitor.h"
#include "map/mainmenus.h"
#include "map/maplabel.h"
#include "map/maproutines.h"

#include <QGraphicsLineItem>
#include <QMenu>

#include <signal.h>

namespace {

// What the map shows in each colour: names, second labels, beams, routes.
QVector<QVector<QColor>> mapColours(MapScene *s)
{
    QVector<QVector<QColor>> out(4);
    for (int i = 1; i <= s->repeaterCount(); ++i) {
        out[0] << s->nameLabel(i)->color();
        out[1] << s->frequencyLabel(i)->color();
    }
    for (int part : {2, 3})
        for (const QGraphicsLineItem *l : part == 2 ? s->beamLines() : s->routeLines())
            if (l->isVisible())
                out[part] << l->pen().color();
    return out;
}

QVector<quint32> colours(const Settings &s)
{
    return {s.idleColour, s.activeColour, s.beamColour, s.routeColour};
}

QString read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class tst_menus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettings(); }

    void colourEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("part");  // in mapColours() and colours()
        QTest::newRow("Couleur Nom Relais") << "Couleur2" << 0;
        QTest::newRow("Couleur Nom Commande") << "Couleur" << 1;
        QTest::newRow("Couleur Faisceaux") << "CoulFaisc" << 2;
        QTest::newRow("Couleur Routage") << "CoulLigne" << 3;
    }
    // Each entry offers the stored colour; Cancel changes nothing; a colour is stored and shown on its
    // own part of the map only; a colour that cannot be stored is reported and changes nothing.
    void colourEntries()
    {
        QFETCH(QString, entry);
        QFETCH(int, part);
        MainFixture f;
        MapScene *scene = f.w->scene();
        // One route on the map, the second repeater showing a command.
        f.ctx.routes.CheminsActifs = QStringLiteral("12");
        f.w->routines()->TraceChemins(f.ctx.routes.CheminsActifs);
        scene->setLabels(2, QStringLiteral("Tx cam"), QStringLiteral("Rx 1255"), f.ctx.routes.CouleurActif());
        // Stored, in memory, on the map.
        const auto now = [&] {
            return std::tuple(colours(f.ws.storedSettings()), colours(f.ctx.config.row()), mapColours(scene));
        };
        QVector<quint32> stored = colours(f.ws.storedSettings());
        QVector<QVector<QColor>> shown = mapColours(scene);
        QVERIFY(shown[3].size() == 1 && !shown[2].isEmpty());

        QColor offered, answer;  // no answer: Cancel
        f.w->findChild<MainMenus *>()->colourDialog = [&](const QColor &initial, const QString &) {
            offered = initial;
            return answer.isValid() ? std::optional<QColor>(answer) : std::nullopt;
        };
        QAction *action = f.w->findChild<QAction *>(entry);
        action->trigger();
        QCOMPARE(offered, colorFromBgr(stored[part]));
        QCOMPARE(now(), std::tuple(stored, stored, shown));

        answer = QColor(0x12, 0x34, 0x56);
        action->trigger();
        stored[part] = 0x00563412;
        shown[part].fill(colorFromBgr(stored[part]));
        QCOMPARE(now(), std::tuple(stored, stored, shown));

        QSqlQuery q(f.ctx.store.database());
        QVERIFY(q.exec("CREATE TRIGGER param_ro BEFORE UPDATE ON \"Param\" "
                       "BEGIN SELECT RAISE(ABORT, 'table en lecture seule'); END"));
        answer = QColor(Qt::green);
        ModalAnswer seen;
        action->trigger();
        QVERIFY2(seen.text.startsWith(QStringLiteral("La couleur n'a pas pu être enregistrée"))
                     && seen.text.contains("lecture seule"), qPrintable(seen.text));
        QCOMPARE(now(), std::tuple(stored, stored, shown));
        QString error;  // nor a route duration: the one there was stays
        QVERIFY2(!f.ctx.config.applyTempo(12, &error) && error.contains("lecture seule"), qPrintable(error));
        QCOMPARE(std::pair(f.ws.storedSettings().tempo, f.ctx.routes.DureeAffichage), std::pair(5.0, 5));
    }

    void tempoDialog_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("stored");
        QTest::addColumn<int>("duree");
        QTest::newRow("no number") << "abc" << 0.0 << 0;
        QTest::newRow("blank, half to even") << "  2.5 min" << 2.5 << 2;
        QTest::newRow("two points") << "12.7.3" << 12.7 << 13;
        QTest::newRow("comma is not a point") << "7,5" << 7.0 << 7;
        QTest::newRow("negative reads as 0") << "-4" << 0.0 << 0;
    }
    // The dialog opens on the current duration (5 by default); the arrows count from their own value;
    // what is typed is read as far as it reads as a number, stored as read, shown in whole minutes.
    void tempoDialog()
    {
        QFETCH(QString, text);
        QFETCH(double, stored);
        QFETCH(int, duree);
        MainFixture f;
        frmTempo d(f.ctx.config.row().displayMinutes());  // what "&Tempo Chemin..." opens it on
        auto *tempo = d.findChild<QLineEdit *>("tempo");
        d.show();
        QCOMPARE(tempo->text(), QStringLiteral("5"));
        tempo->setText("40");
        QTest::mouseClick(d.findChild<QToolButton *>("up"), Qt::LeftButton);
        QCOMPARE(tempo->text(), QStringLiteral("6"));
        tempo->clear();
        QTest::keyClicks(tempo, text);
        QTest::mouseClick(d.findChild<QPushButton *>("CmdOk"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(f.ctx.config.applyTempo(d.minutes(), nullptr));
        QCOMPARE(f.ws.storedSettings().tempo, stored);
        QCOMPARE(f.ctx.routes.DureeAffichage, duree);
    }

    // The toolbar's help button opens the contents.
    void toolbarHelp()
    {
        MainFixture f;
        f.w->findChild<QAction *>("tbAide")->trigger();
        QTRY_VERIFY(f.w->findChild<HelpWindow *>() && f.w->findChild<HelpWindow *>()->isVisible());
    }

    // "Journal de trafic" opens one modeless window on the folder's journal.db, twice asked or not.
    void journalWindowFromTheViewMenu()
    {
        MainFixture f;
        f.ctx.openJournal();
        QVERIFY(QFile::exists(f.ws.file("journal.db")));
        for (int i = 0; i < 2; ++i)
            f.w->findChild<QAction *>("mnuViewJournal")->trigger();
        const auto windows = f.w->findChildren<JournalWindow *>();
        QVERIFY(windows.size() == 1 && windows[0]->isVisible() && !windows[0]->isModal());
        QCOMPARE(windows[0]->windowTitle(), "Journal de trafic");
    }

    // Qt's own buttons and menus in French whatever the desktop's language:
    // an operator once met "Yes / No / Cancel" after each sequence.
    void qtSpeaksFrench()
    {
        QVERIFY(FrenchQt::install(*qApp));
        QMessageBox box(QMessageBox::Question, "Pontavel", "Etes vous sûr ?",
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(QStringList({box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
                              box.button(QMessageBox::Cancel)->text()}),
                 QStringList({"&Oui", "&Non", "Annuler"}));
        QLineEdit edit("texte");
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QVERIFY(menu->actions().last()->text().startsWith(QStringLiteral("Tout sélectionner")));
    }

    // The first entry that starts wins, without waiting for it; when none
    // starts, the message names them.
    void monitorStart()
    {
        QString error;
        QVERIFY2(!VideoMonitor::start({"pontavel-pas-de-moniteur", "/nonexistent/vidcap32.exe"}, &error)
                     && error == "Erreur : Impossible de trouver le fichier pontavel-pas-de-moniteur, /nonexistent/vidcap32.exe", qPrintable(error));
        qint64 pid = 0;
        QVERIFY(VideoMonitor::start({"pontavel-pas-de-moniteur", "sleep 30"}, nullptr, &pid));
        QVERIFY(pid > 0 && ::kill(pid_t(pid), 0) == 0);  // still running
        ::kill(pid_t(pid), SIGTERM);
    }

    void everyHelpLinkResolves()
    {
        const QString dir = QStringLiteral(":/resources/help/");
        const QStringList files = QDir(dir).entryList({"*.html"}, QDir::Files);
        static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#]*)#?([^\"]*)\""));
        int checked = 0;
        for (const QString &name : files) {
            for (auto it = link.globalMatch(read(dir + name)); it.hasNext(); ++checked) {
                const QRegularExpressionMatch m = it.next();
                const QString file = m.captured(1).isEmpty() ? name : m.captured(1);
                if (file.startsWith("http") || file.startsWith("mailto:"))
                    continue;
                QVERIFY2(QFile::exists(dir + file) && (m.captured(2).isEmpty() || read(dir + file).contains("id=\"" + m.captured(2) + "\"")),
                         qPrintable(name + " -> " + m.captured(0)));
            }
        }
        QVERIFY(checked > 20);
    }
};

PONTAVEL_TEST(tst_menus)
#include "tst_menus.moc"
