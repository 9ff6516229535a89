// Importing an old relai.mdb: every value of the sample file, rows that break
// the rules, files that hold no network, and a first start on such a folder.

#include "pulsefixture.h"
#include "testsupport.h"

#include "audio/tonefiles.h"
#include "command/relai.h"
#include "core/appcontext.h"
#include "core/mdbimport.h"
#include "map/frmmain.h"
#include "map/maplabel.h"
#include "map/mapscene.h"

#include <QGraphicsLineItem>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString sample(const QString &name)
{
    return qEnvironmentVariable("PONTAVEL_SOURCE_DIR") + QStringLiteral("/tests/data/") + name;
}

QByteArray bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonArray sampleTables()
{
    return QJsonDocument::fromJson(bytes(sample("relai-jet3.json"))).object()["tables"].toArray();
}

QJsonArray sampleRows(const QString &table)
{
    for (const QJsonValue t : sampleTables())
        if (t["name"] == table)
            return t["rows"].toArray();
    return {};
}

// A read-only look into a written base, closed with the object.
struct Base
{
    explicit Base(const QString &path) : name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        db.open();
    }
    ~Base() { QSqlDatabase::removeDatabase(name); }
    QSqlQuery query(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(name));
        q.exec(sql);
        return q;
    }
    QString name;
};

} // namespace

class tst_import : public QObject
{
    Q_OBJECT
private slots:
    void everyCellOfTheSample()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("nouveau.db");
        const QString tool = qEnvironmentVariable("PONTAVEL_BINARY_DIR") + "/tools/pontavel-import";
        QProcess run;
        run.start(tool, {sample("relai-jet3.mdb"), out});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        // One row breaks a rule: the 50-key sequence of repeater 5's command.
        const QStringList report = QString::fromUtf8(run.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(report, QStringList{"Relais 5 (Béziers Côte d’Orb), commande 1 : wav a 50 caractères (24 au plus) ; "
                                     "importé en entier."});
        QVERIFY(run.readAllStandardError().contains("6 relais, 37 commandes et les réglages"));

        {
            Base db(out);
            const QJsonArray tables = sampleTables();
            QCOMPARE(QSqlDatabase::database(db.name).tables().size(), tables.size());
            for (const QJsonValue t : tables) {
                const QString name = t["name"].toString();
                QSqlQuery info = db.query(QString("PRAGMA table_info(\"%1\")").arg(name));
                for (const QJsonValue c : t["columns"].toArray()) {
                    QVERIFY2(info.next(), qPrintable(name));
                    QCOMPARE(info.value(1).toString(), c["name"].toString());
                    const QString type = c["type"].toString();
                    const QString sqlType = type == "text" ? QString("VARCHAR(%1)").arg(c["size"].toInt())
                                            : (type == "single" || type == "double") ? "REAL" : "INTEGER";
                    QCOMPARE(info.value(2).toString(), sqlType);
                }
                QVERIFY(!info.next());
                QSqlQuery q = db.query(QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(name));
                int n = 0;
                for (const QJsonValue row : t["rows"].toArray()) {
                    QVERIFY2(q.next(), qPrintable(name));
                    for (int k = 0; k < row.toArray().size(); ++k) {
                        const QJsonValue want = row[k];
                        const QVariant got = q.value(k);
                        const QByteArray where = QString("%1[%2][%3]").arg(name).arg(n).arg(k).toUtf8();
                        QVERIFY2(got.isNull() == want.isNull(), where);
                        if (want.isString())
                            QVERIFY2(got.typeId() == QMetaType::QString && got.toString() == want.toString(), where);
                        else if (!want.isNull())
                            QVERIFY2(got.toDouble() == want.toDouble(), where);
                    }
                    ++n;
                }
                QVERIFY2(!q.next(), qPrintable(name));
            }
        }

        // An existing base is never replaced.
        const QByteArray written = bytes(out);
        run.start(tool, {sample("relai-jet3.mdb"), out});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 1);
        QVERIFY(run.readAllStandardError().contains("existe déjà"));
        QCOMPARE(bytes(out), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"nouveau.db"});
    }

    void brokenRulesAreReadAsBefore()
    {
        MdbImport::OldDatabase old;
        QString error;
        QVERIFY2(MdbImport::readMdb(sample("relai-jet3.mdb"), &old, &error), qPrintable(error));
        auto table = [&](const QString &name) { return const_cast<MdbImport::Table *>(old.find(name)); };
        QVariantList &second = table("Relais")->rows[1];
        second[0] = 9;
        table("Relais")->rows[3][2] = "e";
        for (int k = 7; k <= 31; ++k)
            table("Relais")->rows << QVariantList{k, "Copie", "1", "438", 0, 0, 0, 0, ""};
        table("3")->rows << table("3")->rows[0];
        old.tables.removeIf([](const MdbImport::Table &t) { return t.name == "6"; });

        QTemporaryDir dir;
        const QString out = dir.filePath("relai.db");
        const MdbImport::Result res = MdbImport::write(old, out, false);
        QVERIFY2(res.written, qPrintable(res.error));
        QCOMPARE(res.repeaters, 30);
        auto said = [&](const QString &a, const QString &b) { return res.report.filter(a).filter(b).size(); };
        QCOMPARE(said("Relais, ligne 2 (Pic Saint-Loup) : N° 9 au lieu de 2", "comme l'ancien programme"), 1);
        QCOMPARE(said("Relais, ligne 4 (Lozère)", "« e » n'est pas une touche DTMF"), 1);
        QCOMPARE(said("Relais, ligne 31 (Nom = Copie, N°DTMF = 1, Freq = 438, PosGauche = 0", "au-delà de 30 relais"), 1);
        QCOMPARE(said("Table 3, ligne 31", "au-delà de 30 commandes"), 1);
        QCOMPARE(said("Relais 6 (Mire fixe) : la table de commandes « 6 » manque", "une table vide est créée"), 1);
        QCOMPARE(said("la touche 1 est aussi celle de la ligne", "comme avant"), 24);

        Base db(out);
        QSqlQuery q = db.query("SELECT \"N°\", \"N°DTMF\" FROM \"Relais\" ORDER BY rowid");
        for (int n = 1; n <= 30; ++n) {
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), n);
        }
        QVERIFY(!q.next());
        QSqlQuery lozere = db.query("SELECT \"N°DTMF\" FROM \"Relais\" WHERE \"N°\" = 4");
        QVERIFY(lozere.next() && lozere.value(0).toString() == "e");
        QSqlQuery counts = db.query("SELECT (SELECT count(*) FROM \"3\"), (SELECT count(*) FROM \"6\"), "
                                    "(SELECT count(*) FROM \"30\")");
        QVERIFY(counts.next());
        QCOMPARE(counts.value(0).toInt(), 30);
        QCOMPARE(counts.value(1).toInt(), 0);
        QCOMPARE(counts.value(2).toInt(), 0);

        // Replacing keeps the earlier base, byte for byte, beside the new one.
        const QByteArray before = bytes(out);
        const MdbImport::Result again = MdbImport::write(old, out, true);
        QVERIFY2(again.written, qPrintable(again.error));
        QCOMPARE(QFileInfo(again.backup).dir(), QFileInfo(out).dir());
        QVERIFY(QFileInfo(again.backup).fileName().startsWith("relai-"));
        QCOMPARE(bytes(again.backup), before);
    }

    void filesWithoutANetwork_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said");
        const QByteArray mdb = bytes(sample("relai-jet3.mdb"));
        QByteArray noParam = mdb;
        noParam.replace("Param", "Parax");
        QTest::newRow("texte") << QByteArray("N°;Nom\n1;Mont Aigoual\n") << "n'est pas une base Access";
        QTest::newRow("vide") << QByteArray() << "n'est pas une base Access";
        QTest::newRow("coupée dans une page") << mdb.left(51199) << "est tronquée ou endommagée";
        QTest::newRow("coupée entre deux pages") << mdb.left(40960) << "« 1 » annonce 3 lignes, 0 ont pu être lues";
        QTest::newRow("sans Param") << noParam << "la table Param manque. Tables trouvées : Relais, 1";
        const QString jet4 = qEnvironmentVariable("PONTAVEL_BINARY_DIR") + "/Monitor.mdb";
        if (QFileInfo::exists(jet4))
            QTest::newRow("Jet 4 d'un autre usage") << bytes(jet4) << "les tables Relais et Param manquent. Tables "
                                                                      "trouvées : Monitor_Authenticate.";
        else
            qWarning("Monitor.mdb (paquet mrtg-contrib) absent : le cas Jet 4 n'est pas essayé.");
    }

    void filesWithoutANetwork()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QFile mdb(dir.filePath("relai.mdb"));
        QVERIFY(mdb.open(QIODevice::WriteOnly) && mdb.write(content) == content.size());
        mdb.close();
        const MdbImport::Result res = MdbImport::importFile(mdb.fileName(), dir.filePath("relai.db"), false);
        QVERIFY(!res.written);
        QVERIFY2(res.error.contains(said) && res.error.endsWith("Rien n'a été importé."), qPrintable(res.error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"relai.mdb"});
        QCOMPARE(bytes(mdb.fileName()), content);
    }

    void firstStartImportsAndSends()
    {
        QTemporaryDir dir;
        QProcess demo;
        demo.start(qEnvironmentVariable("PONTAVEL_DEMO_TOOL"), {dir.path()});
        QVERIFY(demo.waitForFinished(60000) && demo.exitCode() == 0);
        QVERIFY(QFile::remove(dir.filePath("relai.db")));
        QVERIFY(QFile::copy(sample("relai-jet3.mdb"), dir.filePath("relai.mdb")));
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        auto back = qScopeGuard([&] { QDir::setCurrent(old); });

        PulseFixture pulse;
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
        Station::Line line;
        AppContext ctx;
        ctx.transmitter->setPtt(&line);
        frmMain w(ctx);
        // The operator says yes to the question, then reads what was imported.
        QStringList boxes;
        QTimer operatorHand;
        connect(&operatorHand, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->objectName();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                (yes ? yes : box->button(QMessageBox::Ok))->click();
            }
        });
        operatorHand.start(50);
        w.Load();
        operatorHand.stop();
        QCOMPARE(boxes, (QStringList{"questionImport", "importFait"}));
        QVERIFY2(w.loadMessages().isEmpty(), qPrintable(w.loadMessages().join('\n')));
        QCOMPARE(w.statusBar()->currentMessage(), "Base relai.mdb importée : 6 relais, 37 commandes et les réglages.");
        QCOMPARE(bytes("relai.mdb"), bytes(sample("relai-jet3.mdb")));

        MapScene *scene = w.scene();
        const QJsonArray relais = sampleRows("Relais");
        QCOMPARE(scene->repeaterCount(), 6);
        int beams = 0;
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(scene->FreqE[i]->text(), relais[i - 1][1].toString());
            beams += std::max(0, int(relais[i - 1][8].toString().size()) - 1);
        }
        int shown = 0;
        for (QGraphicsLineItem *l : scene->Ligne)
            shown += l && l->isVisible();
        QCOMPARE(shown, beams);

        // Repeater 2's first command goes on the air and opens its route.
        w.show();
        const QJsonArray command = sampleRows("2")[0].toArray();
        ctx.state.IndexBouton = 2;
        w.openCommandWindow(2);
        Relai *window = w.findChild<Relai *>();
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(window->Option1[0], Qt::LeftButton);
        QVERIFY(pulse.record("sent.wav"));
        QTest::mouseClick(window->CmdParam, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return window->questionBox() && window->questionBox()->isVisible(); }, 5000));
        QCOMPARE(pulse.heard("sent.wav"), command[3].toString());
        QCOMPARE(line.log, (QStringList{"on", "off"}));
        QTest::mouseClick(window->questionBox()->button(QMessageBox::Yes), Qt::LeftButton);
        QCOMPARE(ctx.routes.CheminsActifs, command[8].toString());
        QVERIFY(scene->isActive(2) && scene->isActive(3));
        QTRY_VERIFY(!w.findChild<Relai *>());

        // The menu brings a network in over this one: routes off, the earlier base kept beside it.
        w.chooseMdb = [] { return sample("relai-jet3.mdb"); };
        operatorHand.start(50);
        w.importMdb();
        operatorHand.stop();
        QCOMPARE(boxes, (QStringList{"questionImport", "importFait", "confirmeImport", "importFait"}));
        QVERIFY(ctx.routes.CheminsActifs.isEmpty() && !scene->isActive(2));
        QCOMPARE(scene->repeaterCount(), 6);
        QCOMPARE(QDir().entryList({"relai-*.db"}).size(), 1);
        QCOMPARE(w.statusBar()->currentMessage(), "Base relai-jet3.mdb importée : 6 relais, 37 commandes et les réglages.");
    }
};

QTEST_MAIN(tst_import)
#include "tst_import.moc"
