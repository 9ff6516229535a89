// Importing an old relai.mdb: every cell compared with what mdbtools' own
// command-line reader sees in the sample, rows that break the rules, files
// that hold no network, and a first start on such a folder.

#include "testsupport.h"

#include "store/mdbimport.h"
#include "map/maplabel.h"
#include "app/startup.h"

#include <QGraphicsLineItem>
#include <QStatusBar>

namespace {

// A real Jet 4 file that holds no repeater network, from Debian's
// mrtg-contrib; scripts/deps.sh puts it there.
const QString Jet4Sample = QStringLiteral("/var/cache/pontavel-tests/Monitor.mdb");

QString sample(const QString &name)
{
    return qEnvironmentVariable("PONTAVEL_SOURCE_DIR") + QStringLiteral("/tests/data/") + name;
}

QByteArray bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString mdbtool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// The rows a query gives on a written base, through a read-only connection of its own.
QVector<QVariantList> select(const QString &path, const QString &sql)
{
    QVector<QVariantList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "lecture");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery q(db);
        for (bool ok = db.open() && q.exec(sql); ok && q.next();) {
            rows << QVariantList();
            for (int i = 0; i < q.record().count(); ++i)
                rows.last() << q.value(i);
        }
    }
    QSqlDatabase::removeDatabase("lecture");
    return rows;
}

// The sample's tables as mdb-schema and mdb-export print them: a first line
// of "column TYPE" (the SQLite type each Jet type must become), then one line
// per row, cells between tabs, NULL and "" alike, Single values to 8 digits.
QMap<QString, QStringList> readWithMdbtools(const QString &mdb)
{
    QMap<QString, QStringList> out;
    QString table;
    static const QRegularExpression create(R"(^CREATE TABLE \[(.+)\])"), column(R"(^\s+\[(.+)\]\s+(.+?),?\s*$)");
    for (const QString &line : mdbtool("mdb-schema", {mdb}).split('\n')) {
        if (const auto m = create.match(line); m.hasMatch()) {
            out[table = m.captured(1)] << QString();
        } else if (const auto c = column.match(line); c.hasMatch() && !table.isEmpty()) {
            const QString jet = c.captured(2);
            out[table][0] += (out[table][0].isEmpty() ? "" : "\t") + c.captured(1) + ' ' +
                             (jet.startsWith("Text (") ? "VARCHAR(" + jet.mid(6) : jet == "Single" || jet == "Double" ? "REAL"
                              : jet == "Long Integer" || jet == "Integer" ? "INTEGER" : jet);
        }
    }
    for (auto t = out.begin(); t != out.end(); ++t)
        *t << mdbtool("mdb-export", {"-H", "-Q", "-d", "\t", mdb, t.key()}).split('\n', Qt::SkipEmptyParts);
    return out;
}

// The same of a written table; a text cell that holds no text, or a number
// cell that holds no number, shows as such.
QStringList readWritten(const QString &path, const QString &table)
{
    const auto info = select(path, QString("PRAGMA table_info(\"%1\")").arg(table));
    QStringList out{QString()};
    for (const QVariantList &c : info)
        out[0] += (out[0].isEmpty() ? "" : "\t") + c[1].toString() + ' ' + c[2].toString();
    for (const QVariantList &r : select(path, QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(table))) {
        QStringList cells;
        for (int k = 0; k < r.size(); ++k) {
            const QString type = info.value(k).value(2).toString();
            const bool text = r[k].typeId() == QMetaType::QString;
            cells << (type.startsWith("VARCHAR") ? (r[k].isNull() || text ? r[k].toString() : "<pas du texte>")
                      : r[k].isNull() || text ? "<pas un nombre>"
                      : type == "REAL"        ? QString::number(r[k].toFloat(), 'g', 8)
                                              : r[k].toString());
        }
        out << cells.join('\t');
    }
    return out;
}

} // namespace

class tst_import : public QObject
{
    Q_OBJECT
    QMap<QString, QStringList> m_old;
    // Cell `column` of row `row` (1-based) of a table of the sample, as mdb-export prints it.
    QString old(const QString &table, int row, int column) const { return m_old[table].value(row).split('\t').value(column); }

private slots:
    void initTestCase()
    {
        m_old = readWithMdbtools(sample("relai-jet3.mdb"));
        QVERIFY2(m_old.size() == 8 && m_old["3"].size() == 31, "mdb-schema et mdb-export (paquet mdbtools) manquent");
    }

    void everyCellOfTheSample()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("nouveau.db"), mdb = sample("relai-jet3.mdb"),
                      tool = qEnvironmentVariable("PONTAVEL_BINARY_DIR") + "/tools/pontavel-import";
        const QByteArray original = bytes(mdb);
        QProcess p;
        p.start(tool, {mdb, out});
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
        // One row breaks a rule: the 50-key sequence of repeater 5's command.
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), "Commande 1 du relais 5 « Béziers Côte d’Orb », séquence 1 : "
                                                               "50 caractères, 24 au plus ; importée en entier.\n");
        QVERIFY(p.readAllStandardError().contains("6 relais, 37 commandes et les réglages"));
        QCOMPARE(select(out, "SELECT count(*) FROM sqlite_master WHERE type = 'table'").value(0).value(0).toInt(), m_old.size());
        for (auto t = m_old.begin(); t != m_old.end(); ++t)
            QCOMPARE(readWritten(out, t.key()), t.value());
        // What mdbtools cannot tell: a NULL cell stays NULL, an empty or blank text stays text.
        const struct { const char *column, *table; int row; QVariant value; } cells[] = {
            {"Chemin", "Relais", 4, ""}, {"Chemin", "Relais", 6, {}}, {"wav1", "1", 2, {}}, {"wav2", "1", 1, ""},
            {"wav1", "2", 2, " "},       {"relais", "6", 1, {}},
        };
        for (const auto &c : cells) {
            const QVariant got = select(out, QString("SELECT %1 FROM \"%2\" WHERE rowid = %3").arg(c.column, c.table).arg(c.row))
                                     .value(0).value(0);
            QVERIFY2(got.isNull() == c.value.isNull() && got.toString() == c.value.toString(), c.column);
        }
        // An existing base is never replaced, and the old file is only read.
        const QByteArray written = bytes(out);
        p.start(tool, {mdb, out});
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 1);
        QVERIFY(p.readAllStandardError().contains("existe déjà"));
        QCOMPARE(bytes(out), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"nouveau.db"});
        QCOMPARE(bytes(mdb), original);
    }

    void brokenRulesAreReadAsBefore()
    {
        MdbImport::OldDatabase old;
        QString error;
        QVERIFY2(MdbImport::readMdb(sample("relai-jet3.mdb"), &old, &error), qPrintable(error));
        auto table = [&](const QString &name) { return const_cast<MdbImport::Table *>(old.find(name)); };
        table("Relais")->rows[1][0] = 9;
        table("Relais")->rows[3][2] = "e";
        for (int k = 7; k <= 31; ++k)
            table("Relais")->rows << QVariantList{k, "Copie", "1", "438", 0, 0, 0, 0, ""};
        table("3")->rows << table("3")->rows[0];
        old.tables.removeIf([](const MdbImport::Table &t) { return t.name == "6"; });
        QTemporaryDir dir;
        const QString out = dir.filePath("relai.db");
        const MdbImport::Result res = MdbImport::write(old, out, false);
        QVERIFY2(res.written && res.repeaters == 30, qPrintable(res.error));
        const std::tuple<const char *, const char *, int> said[] = {
            {"Relais 2 « Pic Saint-Loup » : numéro 9 dans l'ancienne base ; importé sous le numéro 2", "comme l'ancien programme", 1},
            {"Relais 4 « Lozère »", "« e » n'est pas une touche DTMF", 1},
            {"Relais 31 « Copie » (touche DTMF 1, fréquence 438)", "au-delà de 30 relais", 1},
            {"Commande 31 du relais 3 « ", "au-delà de 30 commandes", 1},
            {"Le relais 6 « Mire fixe » n'a pas de table de commandes (« 6 »)", "une table vide est créée", 1},
            {"la touche 1 est aussi celle du relais", "comme avant", 24},
        };
        for (const auto &[a, b, n] : said)
            QVERIFY2(res.report.filter(a).filter(b).size() == n, a);
        const auto relais = select(out, "SELECT \"N°\", \"N°DTMF\" FROM \"Relais\" ORDER BY rowid");
        for (int n = 0; n < 30; ++n)
            QCOMPARE(relais.value(n).value(0).toInt(), n + 1);
        QVERIFY(relais.size() == 30 && relais[3][1] == "e");
        QCOMPARE(select(out, "SELECT (SELECT count(*) FROM \"3\"), (SELECT count(*) FROM \"6\"), (SELECT count(*) FROM \"30\")"),
                 (QVector<QVariantList>{{30, 0, 0}}));
        // Replacing keeps the earlier base, byte for byte, beside the new one, under the name asked about.
        const QByteArray before = bytes(out);
        QString asked;
        const MdbImport::Result again = MdbImport::write(old, out, true, [&](const MdbImport::Result &r) {
            QTest::qWait(1100);  // the answer comes in a later second than the question
            return !(asked = r.backup).isEmpty();
        });
        QVERIFY2(again.written && QFileInfo(again.backup).dir() == QFileInfo(out).dir(), qPrintable(again.error));
        QCOMPARE(again.backup, asked);
        QVERIFY(QFileInfo(again.backup).fileName().startsWith("relai-"));
        QCOMPARE(bytes(again.backup), before);
    }

    void filesWithoutANetwork_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said");
        const QByteArray mdb = bytes(sample("relai-jet3.mdb"));
        QTest::newRow("texte") << QByteArray("N°;Nom\n1;Mont Aigoual\n") << "n'est pas une base Access";
        QTest::newRow("coupée dans une page") << mdb.left(51199) << "est tronquée ou endommagée";
        QTest::newRow("coupée entre deux pages") << mdb.left(40960) << "« 1 » annonce 3 lignes, 0 ont pu être lues";
        QTest::newRow("sans Param") << QByteArray(mdb).replace("Param", "Parax") << "la table Param manque. Tables trouvées : Relais, 1";
        QTest::newRow("Jet 4 d'un autre usage")
            << bytes(Jet4Sample) << "les tables Relais et Param manquent. Tables trouvées : Monitor_Authenticate.";
    }

    void filesWithoutANetwork()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        if (content.isEmpty())  // only the Jet 4 file can be missing
            QFAIL(qPrintable(QStringLiteral("%1 manque : scripts/deps.sh le tire du paquet Debian mrtg-contrib "
                                            "(en root : apt-get download mrtg-contrib, dpkg -x, Monitor.mdb copié là).")
                                 .arg(Jet4Sample)));
        QTemporaryDir dir;
        QFile mdb(dir.filePath("relai.mdb"));
        QVERIFY(mdb.open(QIODevice::WriteOnly) && mdb.write(content) == content.size());
        mdb.close();
        const MdbImport::Result res = MdbImport::importFile(mdb.fileName(), dir.filePath("relai.db"), false);
        QVERIFY2(!res.written && res.error.contains(said) && res.error.endsWith("Rien n'a été importé."), qPrintable(res.error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"relai.mdb"});
        QCOMPARE(bytes(mdb.fileName()), content);
    }

    void firstStartAndMenuImport()
    {
        TempWorkspace ws;  // the demo's map and tones, the sample instead of its network
        QCOMPARE(QProcess::execute(qEnvironmentVariable("PONTAVEL_DEMO_TOOL"), {ws.path()}), 0);
        QVERIFY(QFile::remove("relai.db") && QFile::copy(sample("relai-jet3.mdb"), "relai.mdb"));
        AppContext ctx;
        const std::unique_ptr<frmMain> main = ctx.makeMainWindow();
        frmMain &w = *main;
        // The operator says yes to the question, then reads what was imported.
        QStringList boxes, texts;
        QTimer operatorHand;
        connect(&operatorHand, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->objectName();
                texts << box->informativeText();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                (yes ? yes : box->button(QMessageBox::Ok))->click();
            }
        });
        operatorHand.start(50);
        w.Load();
        operatorHand.stop();
        QCOMPARE(boxes, (QStringList{"questionImport", "importFait"}));
        QVERIFY2(w.loadMessages().isEmpty(), qPrintable(w.loadMessages().join('\n')));
        QCOMPARE(w.statusMessage(), "Base relai.mdb importée : 6 relais, 37 commandes et les réglages.");
        QCOMPARE(bytes("relai.mdb"), bytes(sample("relai-jet3.mdb")));
        MapScene *scene = w.scene();
        int beams = 0;
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(scene->nameLabel(i)->text(), old("Relais", i, 1));
            beams += std::max(0, int(old("Relais", i, 8).size()) - 1);
        }
        QCOMPARE(std::ranges::count_if(scene->beamLines(), [](auto *l) { return l && l->isVisible(); }), beams);
        w.show();
        ctx.routes.ActiveRelais("23");
        QVERIFY(ctx.routes.RouteAffichee[2] && scene->isActive(2));

        // The menu brings a network in over this one: routes off, the earlier base kept beside it.
        w.chooseMdb = [] { return sample("relai-jet3.mdb"); };
        const QByteArray before = bytes("relai.db");
        operatorHand.start(50);
        w.importMdb();
        operatorHand.stop();
        QCOMPARE(boxes, (QStringList{"questionImport", "importFait", "confirmeImport", "importFait"}));
        QVERIFY(!ctx.routes.RouteAffichee[2] && !scene->isActive(2) && scene->repeaterCount() == 6);
        // The question named the folder and the file the earlier base went to.
        const QString question = texts.value(2);
        const QString kept = QRegularExpression(R"(relai-\d{8}-\d{6}\.db)").match(question).captured();
        QVERIFY2(question.contains(QDir::currentPath()) && QDir().entryList({"relai-*.db"}) == QStringList{kept}, qPrintable(question));
        QCOMPARE(bytes(kept), before);
        QCOMPARE(w.statusMessage(), "Base relai-jet3.mdb importée : 6 relais, 37 commandes et les réglages.");
    }

    // Started in a folder holding only relai.mdb: the question and the report
    // show with no splash over them and fit a 600-pixel screen; the missing
    // map is said once.
    void startUpQuestionsAreSeen()
    {
        TempWorkspace ws;
        QVERIFY(QFile::copy(sample("relai-jet3.mdb"), "relai.mdb"));
        QStringList seen;
        QTimer operatorHand;
        connect(&operatorHand, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            const auto windows = QApplication::topLevelWidgets();
            if (!box) {
                for (QWidget *w : windows)
                    if (w->inherits("frmMain") && w->isVisible() && seen.size() == 3)
                        w->close();
                return;
            }
            const bool splash = std::ranges::any_of(windows, [](QWidget *w) { return w->inherits("frmSplash") && w->isVisible(); });
            seen << (box->objectName().isEmpty() ? box->text().left(28) : box->objectName())
                        + (splash ? " sous l'écran d'accueil" : "") + (box->frameGeometry().height() > 600 ? " trop haut" : "");
            if (const QString dir = qEnvironmentVariable("PONTAVEL_SCREENSHOTS"); !dir.isEmpty() && seen.size() < 3) {
                QImage screen(1024, 600, QImage::Format_RGB32);
                screen.fill(QColor(0x3c, 0x4a, 0x5a));
                QPainter(&screen).drawPixmap(QRect(QPoint(), box->size()).translated(512 - box->width() / 2, 300 - box->height() / 2),
                                             box->grab());
                screen.save(dir + (seen.size() == 1 ? "/question-import.png" : "/compte-rendu-import.png"));
            }
            QAbstractButton *yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        });
        operatorHand.start(100);
        QCOMPARE(Main(*qobject_cast<QApplication *>(qApp)), 0);
        QCOMPARE(seen, (QStringList{"questionImport", "importFait", "Le plan plan.bmp est introuv"}));
        QVERIFY(QFileInfo::exists("relai.db"));
    }
};

QTEST_MAIN(tst_import)
#include "tst_import.moc"
