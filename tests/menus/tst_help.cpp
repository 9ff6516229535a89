// The help pages shipped in the resources and the help window.

#include "testmain.h"
#include "testsupport.h"

#include "dialogs/helpwindow.h"
#include "dialogs/mainmenus.h"

#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolButton>

namespace {
const QString helpDir = QStringLiteral(":/resources/help");

QString read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}
} // namespace

class tst_help : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettings(); }

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

    void contentsFromTheMenuAndMissingHelp()
    {
        MainFixture f;
        frmMain &w = *f.w;
        w.show();
        auto *menus = w.findChild<MainMenus *>();
        w.findChild<QAction *>("mnuSomm")->trigger();
        QVERIFY(menus->helpWindow());
        QVERIFY(menus->helpWindow()->isVisible());
        menus->helpWindow()->browser->setSource(QUrl("qrc:/resources/help/port.html"));
        menus->helpWindow()->close();
        // Opened again, it is back on the contents.
        w.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(&w));
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY(menus->helpWindow()->isVisible());
        QCOMPARE(menus->helpWindow()->browser->source().fileName(), QStringLiteral("index.html"));
        menus->helpWindow()->close();

        menus->helpSource = QStringLiteral("qrc:/resources/help/absent.html");
        ModalAnswer seen;
        w.findChild<QAction *>("mnuSomm")->trigger();
        QVERIFY(seen.seen);
        QCOMPARE(seen.text, QStringLiteral("Impossible d'afficher le sommaire de l'Aide. "
                                            "Aucune Aide n'est associée à ce projet."));
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.title, w.windowTitle());
    }
};

PONTAVEL_TEST(tst_help)
#include "tst_help.moc"
