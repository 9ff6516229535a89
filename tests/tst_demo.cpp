// The demo workspace tool, run as the user runs it, and what it leaves behind.

#include "audio/dtmfsynth.h"
#include "audio/tonefiles.h"
#include "core/convert.h"
#include "core/store.h"
#include "pulsefixture.h"

#include <QCryptographicHash>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
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

    void toneShape()
    {
        const QVector<qint16> s = DtmfSynth::samples(QLatin1Char('5'), DtmfSynth::ToneShape{});  // 8000 Hz, 100 ms + 100 ms
        QCOMPARE(s.size(), 1600);
        int peak = 0;
        for (int i = 0; i < 800; ++i)
            peak = std::max(peak, std::abs(int(s[i])));
        const double limit = std::pow(10.0, -10 / 20.0) * 32767;
        QVERIFY(peak <= limit + 1 && peak > 0.85 * limit);
        // Faded in and out, silent after.
        QVERIFY(std::abs(s[0]) < 0.05 * limit && std::abs(s[799]) < 0.05 * limit);
        QCOMPARE(s.mid(800), QVector<qint16>(800, 0));
        QVERIFY(DtmfSynth::samples(QLatin1Char('E'), DtmfSynth::ToneShape{}).isEmpty());
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
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(list.size(), 10);
        QVERIFY(store.settings().coefZoom > 0);
        QSet<QString> keys, beams;
        for (const Repeater &r : list) {
            QVERIFY(!r.nom.isEmpty() && !r.freq.isEmpty() && r.dtmf.size() == 1);
            QVERIFY2(DtmfSynth::pair(r.dtmf.at(0), nullptr), qPrintable(r.dtmf));
            keys.insert(r.dtmf);
            const QRectF labels(r.libellePosGau, r.libellePosHaut, std::max(LargeurTexte(r.nom), LargeurTexte(r.freq)), 435);
            QVERIFY2(mapTwips.contains(QRectF(r.posGauche, r.posHaut, 255, 255)) && mapTwips.contains(labels) &&
                         QLineF(QPointF(r.posGauche + 127, r.posHaut + 127), labels.center()).length() < 2500,
                     qPrintable(r.nom));
            for (int k = 0; k + 1 < r.chemin.size(); ++k)
                beams << r.chemin.mid(k, 2) << QString(r.chemin[k + 1]) + r.chemin[k];
        }
        QCOMPARE(keys.size(), 10);
        QVERIFY(beams.size() >= 9);
        auto known = [&](QChar k) { return Store::lookupKey(list, k, -1) > 0; };
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
        for (QChar key : DtmfSynth::keys())
            for (const QString &name : {commandToneFile(key), keypadToneFile(key)})
                QCOMPARE(decodeDtmf(m_ws.filePath(name)), QString(key));
        QVERIFY(QFileInfo::exists(m_ws.filePath("Wav2/2f+.wav")));
    }

    // A second run, bad arguments and a folder waiting for an import change nothing.
    void refusesWithoutTouchingAnything()
    {
        const QByteArray db = fileHash(m_ws.filePath("relai.db")), map = fileHash(m_ws.filePath("plan.bmp"));
        auto [code, out] = runTool({m_ws.path()});
        QVERIFY(code == 1 && out.contains("relai.db"));
        QCOMPARE(fileHash(m_ws.filePath("relai.db")), db);
        QCOMPARE(fileHash(m_ws.filePath("plan.bmp")), map);
        QVERIFY(!QFileInfo::exists(m_ws.filePath("relai.db.partiel")));
        std::tie(code, out) = runTool({});
        QVERIFY(code == 1 && out.contains("usage"));
        std::tie(code, out) = runTool({m_tmp.filePath("a"), m_tmp.filePath("b")});
        QVERIFY(code == 1 && !QFileInfo::exists(m_tmp.filePath("a")));
        const QDir old(m_tmp.filePath("ancien"));
        QVERIFY(old.mkpath("."));
        QFile mdb(old.filePath("relai.mdb"));
        QVERIFY(mdb.open(QIODevice::WriteOnly) && mdb.write("pas une vraie base") > 0);
        mdb.close();
        std::tie(code, out) = runTool({old.path()});
        QVERIFY(code == 1 && out.contains("relai.mdb"));
        QCOMPARE(old.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"relai.mdb"});
    }

    void keepsOperatorFiles()
    {
        // The operator's own map and tones stay; the rest is made.
        const QDir own(m_tmp.filePath("perso"));
        QVERIFY(own.mkpath("Wav"));
        QImage map(320, 200, QImage::Format_RGB888);
        map.fill(Qt::darkGreen);
        QVERIFY(map.save(own.filePath("plan.bmp"), "BMP"));
        const QString tone = own.filePath(commandToneFile(QLatin1Char('1')));
        QVERIFY(DtmfSynth::writeWav(tone, DtmfSynth::samples(QLatin1Char('9'), DtmfSynth::ToneShape{}), 8000));
        const QByteArray mapHash = fileHash(own.filePath("plan.bmp")), toneHash = fileHash(tone);
        const auto [code, out] = runTool({own.path()});
        QVERIFY2(code == 0 && out.contains(QStringLiteral("conservé")), qPrintable(out));
        QCOMPARE(fileHash(own.filePath("plan.bmp")), mapHash);
        QCOMPARE(fileHash(tone), toneHash);
        QVERIFY(QFileInfo::exists(own.filePath("relai.db")));
        QVERIFY(QFileInfo::exists(own.filePath(commandToneFile(QLatin1Char('2')))));
    }
};

QTEST_GUILESS_MAIN(tst_demo)
#include "tst_demo.moc"
