// The demo workspace tool, run as the user runs it, and what it leaves behind.

#include "audio/dtmfsynth.h"
#include "core/dtmf.h"
#include "audio/tonefiles.h"
#include "core/convert.h"
#include "core/routes.h"
#include "store/store.h"
#include "pulsefixture.h"

#include <QImage>
#include <QtTest>

namespace {

// Exit code (-1 when it crashed or hung) and what the tool printed.
std::pair<int, QString> runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("PONTAVEL_DEMO_TOOL"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + "\n" + p.readAllStandardError())};
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

} // namespace

class tst_demo : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;
    QDir m_ws;

private slots:
    void initTestCase()
    {
        // A folder that does not exist yet: the tool makes it.
        m_ws.setPath(m_tmp.filePath(QStringLiteral("démo")));
        const auto [code, out] = runTool({m_ws.path()});
        QVERIFY2(code == 0 && out.contains(QStringLiteral("10 relais")), qPrintable(out));
    }

    // Every repeater on the map and addressable on its own, every command
    // playable from the tone files, every route along beams.
    void workspaceIsDecodable()
    {
        const QImage map(m_ws.filePath("plan.bmp"));
        QVERIFY(!map.isNull());
        const QRectF mapTwips(0, 0, map.width() * TwipsPerPixel, map.height() * TwipsPerPixel);
        Store store;
        QCOMPARE(store.open(m_ws.filePath("relai.db")), Store::OpenResult::Opened);
        QString error;
        const QVector<Repeater> list = store.repeaters(&error);
        QVERIFY2(error.isEmpty() && list.size() == 10 && store.settings().coefZoom > 0, qPrintable(error));
        QSet<QString> keys, beams;
        for (const Repeater &r : list) {
            QVERIFY2(!r.nom.isEmpty() && !r.freq.isEmpty() && r.dtmf.size() == 1 && DtmfSynth::pair(r.dtmf.at(0), nullptr), qPrintable(r.nom));
            keys.insert(r.dtmf);
            const QRectF labels(r.libellePosGau, r.libellePosHaut, std::max(LargeurTexte(r.nom), LargeurTexte(r.freq)), 435);
            QVERIFY2(mapTwips.contains(QRectF(r.posGauche, r.posHaut, 255, 255)) && mapTwips.contains(labels), qPrintable(r.nom));
            for (int k = 0; k + 1 < r.chemin.size(); ++k)
                beams << r.chemin.mid(k, 2) << QString(r.chemin[k + 1]) + r.chemin[k];
        }
        QVERIFY(keys.size() == 10 && beams.size() >= 9);
        auto known = [&](QChar k) { return Routes::lookupKey(list, k, -1) > 0; };
        for (const Repeater &r : list) {
            QVERIFY2(std::all_of(r.chemin.begin(), r.chemin.end(), known), qPrintable(r.nom + ": " + r.chemin));
            const QVector<Command> commands = store.commands(r.numero, &error);
            QVERIFY2(error.isEmpty() && commands.size() >= 2 && commands.size() <= 6, qPrintable(r.nom + error));
            for (int i = 0; i < commands.size(); ++i) {
                const Command &c = commands[i];
                const QString what = r.nom + " / " + c.tx + ": " + c.chemin;
                QVERIFY2(c.numero == i + 1 && !c.tx.isEmpty() && !c.rx.isEmpty() && !sequenceAbsent(c.wav[0]), qPrintable(what));
                for (const QString &seq : c.wav)
                    for (QChar key : seq)
                        QVERIFY2(QFileInfo::exists(m_ws.filePath(commandToneFile(key))), qPrintable(what));
                for (const QString &segment : c.chemin.split('-', Qt::SkipEmptyParts))
                    for (int k = 0; k < segment.size(); ++k)
                        QVERIFY2(known(segment[k]) && (k == 0 || beams.contains(segment.mid(k - 1, 2))), qPrintable(what));
                QVERIFY2(std::all_of(c.relais.begin(), c.relais.end(), known), qPrintable(what));
            }
        }
    }

    void toneFilesDecode()
    {
        if (QStandardPaths::findExecutable("multimon-ng").isEmpty() || QStandardPaths::findExecutable("sox").isEmpty())
            QSKIP("multimon-ng et sox sont nécessaires");
        for (QChar key : Dtmf::keys())
            for (const QString &name : {commandToneFile(key), keypadToneFile(key)})
                QCOMPARE(decodeDtmf(m_ws.filePath(name)), QString(key));
        QVERIFY(QFileInfo::exists(m_ws.filePath("Wav2/2f+.wav")));
    }

    // A second run, bad arguments and a folder waiting for an import change
    // nothing; the operator's own map and tones stay when the rest is made.
    void keepsWhatIsThere()
    {
        const QDir old(m_tmp.filePath("ancien")), own(m_tmp.filePath("perso"));
        QVERIFY(old.mkpath(".") && own.mkpath("Wav"));
        QFile mdb(old.filePath("relai.mdb"));
        QVERIFY(mdb.open(QIODevice::WriteOnly) && mdb.write("pas une vraie base") > 0);
        mdb.close();
        QVERIFY(QImage(320, 200, QImage::Format_RGB888).save(own.filePath("plan.bmp"), "BMP"));
        const QString tone = own.filePath(commandToneFile(QLatin1Char('1')));
        QVERIFY(DtmfSynth::writeWav(tone, DtmfSynth::samples(QLatin1Char('9'), DtmfSynth::ToneShape{}), 8000));
        const QStringList files{m_ws.filePath("relai.db"), m_ws.filePath("plan.bmp"), own.filePath("plan.bmp"), tone};
        QList<QByteArray> before;
        for (const QString &f : files)
            before << fileHash(f);
        const struct { QStringList args; int code; const char *said; } runs[] = {
            {{m_ws.path()}, 1, "relai.db"}, {{m_tmp.filePath("a"), m_tmp.filePath("b")}, 1, "usage"},
            {{old.path()}, 1, "relai.mdb"}, {{own.path()}, 0, "conservé"},
        };
        for (const auto &r : runs) {
            const auto [code, out] = runTool(r.args);
            QVERIFY2(code == r.code && out.contains(r.said), qPrintable(out));
        }
        for (int i = 0; i < files.size(); ++i)
            QVERIFY2(fileHash(files[i]) == before[i], qPrintable(files[i]));
        QVERIFY(!QFileInfo::exists(m_tmp.filePath("a")) && !QFileInfo::exists(m_ws.filePath("relai.db.partiel")));
        QCOMPARE(old.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"relai.mdb"});
        QVERIFY(QFileInfo::exists(own.filePath("relai.db")) && QFileInfo::exists(own.filePath(commandToneFile(QLatin1Char('2')))));
    }
};

QTEST_GUILESS_MAIN(tst_demo)
#include "tst_demo.moc"
