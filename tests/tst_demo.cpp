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

struct Run
{
    int exitCode = -1;
    QString out, err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("PONTAVEL_DEMO_TOOL"), args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

bool isBeam(const QSet<QString> &beams, QChar a, QChar b)
{
    return beams.contains(QString(a) + b) || beams.contains(QString(b) + a);
}

} // namespace

class tst_demo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void toneShape();
    void workspace();
    void toneFilesDecode();
    void secondRunRefuses();
    void badArguments();
    void keepsOperatorFiles();

private:
    QTemporaryDir m_tmp;
    QString m_ws;
};

void tst_demo::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QVERIFY2(QFileInfo(qEnvironmentVariable("PONTAVEL_DEMO_TOOL")).isExecutable(), "PONTAVEL_DEMO_TOOL");
    // A folder that does not exist yet: the tool makes it.
    m_ws = m_tmp.filePath(QStringLiteral("démo"));
    const Run r = runTool({m_ws});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("10 relais")));
}

void tst_demo::toneShape()
{
    DtmfSynth::ToneShape shape;  // 8000 Hz, 100 ms tone, 100 ms silence
    const QVector<qint16> s = DtmfSynth::samples(QLatin1Char('5'), shape);
    QCOMPARE(s.size(), 1600);
    int peak = 0;
    for (int i = 0; i < 800; ++i)
        peak = std::max(peak, std::abs(int(s[i])));
    const double limit = std::pow(10.0, -10 / 20.0) * 32767;
    QVERIFY(peak <= limit + 1);
    QVERIFY(peak > 0.85 * limit);
    // Faded in and out, silent after.
    QVERIFY(std::abs(s[0]) < 0.05 * limit);
    QVERIFY(std::abs(s[799]) < 0.05 * limit);
    for (int i = 800; i < 1600; ++i)
        QCOMPARE(s[i], qint16(0));
    QVERIFY(DtmfSynth::samples(QLatin1Char('E'), shape).isEmpty());
    DtmfSynth::Pair p;
    QVERIFY(DtmfSynth::pair(QLatin1Char('*'), &p));
    QCOMPARE(p.low, 941);
    QCOMPARE(p.high, 1209);
}

void tst_demo::workspace()
{
    const QDir dir(m_ws);
    QFile bmp(dir.filePath("plan.bmp"));
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    const QByteArray header = bmp.read(30);
    QCOMPARE(header.left(2), QByteArray("BM"));
    QCOMPARE(int(quint8(header[28])), 24);  // bits per pixel
    const QImage map(dir.filePath("plan.bmp"));
    QCOMPARE(map.size(), QSize(1400, 900));
    const QRectF mapTwips(0, 0, map.width() * TwipsPerPixel, map.height() * TwipsPerPixel);

    Store store;
    QCOMPARE(store.open(dir.filePath("relai.db")), Store::OpenResult::Opened);
    QString error;
    const QVector<Repeater> list = store.repeaters(&error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(list.size(), 10);
    const Settings settings = store.settings();
    QVERIFY(settings.coefZoom > 0);

    QSet<QString> keys, beams;
    for (const Repeater &r : list) {
        QVERIFY(!r.nom.isEmpty());
        QVERIFY(!r.freq.isEmpty());
        QCOMPARE(r.dtmf.size(), 1);
        QVERIFY2(DtmfSynth::pair(r.dtmf.at(0), nullptr), qPrintable(r.dtmf));
        keys.insert(r.dtmf);
        // Icon and both labels on the map.
        QVERIFY2(mapTwips.contains(QRectF(r.posGauche, r.posHaut, 255, 255)), qPrintable(r.nom));
        const QRectF labels(r.libellePosGau, r.libellePosHaut,
                            std::max(LargeurTexte(r.nom), LargeurTexte(r.freq)), 210 + 225);
        QVERIFY2(mapTwips.contains(labels), qPrintable(r.nom));
        // Labels close to their icon.
        const QPointF icon(r.posGauche + 127, r.posHaut + 127);
        QVERIFY2(QLineF(icon, labels.center()).length() < 2500, qPrintable(r.nom));
        for (int k = 0; k + 1 < r.chemin.size(); ++k)
            beams.insert(r.chemin.mid(k, 2));
    }
    QCOMPARE(keys.size(), 10);  // every repeater addressable on its own
    QVERIFY(beams.size() >= 9);

    for (const Repeater &r : list) {
        for (QChar k : r.chemin)
            QVERIFY2(Store::lookupKey(list, k, -1) > 0, qPrintable(r.nom + ": " + r.chemin));
        QVERIFY(store.tableExists(QString::number(r.numero)));
        const QVector<Command> commands = store.commands(r.numero, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(commands.size() >= 2 && commands.size() <= 6, qPrintable(r.nom));
        for (int i = 0; i < commands.size(); ++i) {
            const Command &c = commands[i];
            const QString what = r.nom + " / " + c.tx;
            QCOMPARE(c.numero, i + 1);
            QVERIFY(!c.tx.isEmpty() && !c.rx.isEmpty());
            QVERIFY2(!sequenceAbsent(c.wav[0]), qPrintable(what));
            for (const QString &seq : c.wav)
                for (QChar key : seq)
                    QVERIFY2(QFileInfo::exists(QDir(m_ws).filePath(commandToneFile(key))), qPrintable(what));
            // Routes run along beams, between existing repeaters.
            for (const QString &segment : c.chemin.split('-', Qt::SkipEmptyParts)) {
                for (int k = 0; k < segment.size(); ++k) {
                    QVERIFY2(Store::lookupKey(list, segment[k], -1) > 0, qPrintable(what));
                    if (k > 0)
                        QVERIFY2(isBeam(beams, segment[k - 1], segment[k]), qPrintable(what + ": " + c.chemin));
                }
            }
            for (QChar k : c.relais)
                QVERIFY2(Store::lookupKey(list, k, -1) > 0, qPrintable(what));
        }
    }
}

void tst_demo::toneFilesDecode()
{
    if (QStandardPaths::findExecutable("multimon-ng").isEmpty() || QStandardPaths::findExecutable("sox").isEmpty())
        QSKIP("multimon-ng et sox sont nécessaires");
    for (QChar key : DtmfSynth::keys()) {
        for (const QString &name : {commandToneFile(key), keypadToneFile(key)}) {
            const QString file = QDir(m_ws).filePath(name);
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
            QCOMPARE(decodeDtmf(file), QString(key));
        }
    }
    QVERIFY(QFileInfo::exists(QDir(m_ws).filePath("Wav2/2f+.wav")));
    QVERIFY(!QFileInfo::exists(QDir(m_ws).filePath("Wav2/2f*.wav")));
}

void tst_demo::secondRunRefuses()
{
    const QString db = QDir(m_ws).filePath("relai.db");
    const QByteArray before = fileHash(db);
    const QByteArray mapBefore = fileHash(QDir(m_ws).filePath("plan.bmp"));
    QVERIFY(!before.isEmpty());
    const Run r = runTool({m_ws});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains(QStringLiteral("relai.db")));
    QVERIFY(r.out.isEmpty());
    QCOMPARE(fileHash(db), before);
    QCOMPARE(fileHash(QDir(m_ws).filePath("plan.bmp")), mapBefore);
    QVERIFY(!QFileInfo::exists(db + ".partiel"));
}

void tst_demo::badArguments()
{
    const Run none = runTool({});
    QCOMPARE(none.exitCode, 1);
    QVERIFY(none.err.contains(QStringLiteral("usage")));
    const Run two = runTool({m_tmp.filePath("a"), m_tmp.filePath("b")});
    QCOMPARE(two.exitCode, 1);
    QVERIFY(!QFileInfo::exists(m_tmp.filePath("a")));
}

void tst_demo::keepsOperatorFiles()
{
    // A folder with old data waiting for import is not touched at all.
    const QDir old(m_tmp.filePath("ancien"));
    QVERIFY(old.mkpath("."));
    QFile mdb(old.filePath("relai.mdb"));
    QVERIFY(mdb.open(QIODevice::WriteOnly));
    mdb.write("pas une vraie base");
    mdb.close();
    const Run refused = runTool({old.path()});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY(refused.err.contains(QStringLiteral("relai.mdb")));
    QCOMPARE(old.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"relai.mdb"});

    // The operator's own map and tones stay; the rest is made.
    const QDir own(m_tmp.filePath("perso"));
    QVERIFY(own.mkpath("Wav"));
    QImage map(320, 200, QImage::Format_RGB888);
    map.fill(Qt::darkGreen);
    QVERIFY(map.save(own.filePath("plan.bmp"), "BMP"));
    const QVector<qint16> tone = DtmfSynth::samples(QLatin1Char('9'), DtmfSynth::ToneShape{});
    QVERIFY(DtmfSynth::writeWav(own.filePath(commandToneFile(QLatin1Char('1'))), tone, 8000));
    const QByteArray mapHash = fileHash(own.filePath("plan.bmp"));
    const QByteArray toneHash = fileHash(own.filePath(commandToneFile(QLatin1Char('1'))));
    const Run r = runTool({own.path()});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(fileHash(own.filePath("plan.bmp")), mapHash);
    QCOMPARE(fileHash(own.filePath(commandToneFile(QLatin1Char('1')))), toneHash);
    QVERIFY(QFileInfo::exists(own.filePath("relai.db")));
    QVERIFY(QFileInfo::exists(own.filePath(commandToneFile(QLatin1Char('2')))));
    QVERIFY(r.out.contains(QStringLiteral("conservé")));
}

QTEST_GUILESS_MAIN(tst_demo)
#include "tst_demo.moc"
