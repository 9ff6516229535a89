#include "demoworkspace.h"

#include "demomap.h"
#include "demonetwork.h"

#include "audio/dtmfsynth.h"
#include "core/dtmf.h"
#include "audio/tonefiles.h"
#include "store/schema.h"
#include "store/store.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Files the folder already has are the operator's own (a map, tuned tones):
// they are kept, only missing ones are made.
struct Written
{
    int made = 0;
    int kept = 0;
};

bool writeTones(const QDir &dir, Written *count, QString *error)
{
    // Command sequences: 100 ms of tone and 100 ms of silence a key, what
    // repeater controllers expect; the keypad holds its tone for 2 s.
    DtmfSynth::ToneShape command;
    DtmfSynth::ToneShape keypad;
    keypad.toneMs = 2000;
    keypad.silenceMs = 0;
    for (const QChar key : Dtmf::keys()) {
        const std::pair<QString, const DtmfSynth::ToneShape *> files[] = {
            {dir.filePath(commandToneFile(key)), &command}, {dir.filePath(keypadToneFile(key)), &keypad}};
        for (const auto &[file, shape] : files) {
            if (QFileInfo::exists(file)) {
                ++count->kept;
                continue;
            }
            if (!DtmfSynth::writeTone(file, key, *shape, error))
                return false;
            ++count->made;
        }
    }
    return true;
}

// The database is written under a temporary name and renamed at the end, so an
// interrupted run never leaves a half-filled relai.db behind.
bool writeDatabase(const QDir &dir, const QVector<DemoNetwork::Site> &sites, QString *error)
{
    const QString partial = dir.filePath(QStringLiteral("relai.db.partiel"));
    QFile::remove(partial);
    {
        Store store;
        if (store.open(partial) != Store::OpenResult::Created) {
            *error = store.lastError();
            return false;
        }
        QVector<Repeater> repeaters;
        QVector<QVector<Command>> commands;
        for (const DemoNetwork::Site &s : sites) {
            repeaters << s.repeater;
            commands << s.commands;
        }
        // Show the whole map in a window of about 1280 x 800 at first start.
        const Schema::Table &param = Schema::param();
        const bool ok = store.appendNetwork(repeaters, commands, error)
                        && store.writeSettings({{param.fieldName(Schema::ParamField::CoefZoom), 7.5},
                                                {param.fieldName(Schema::ParamField::CarteX), 1650},
                                                {param.fieldName(Schema::ParamField::CarteY), 75}},
                                               error);
        store.close();
        if (!ok) {
            QFile::remove(partial);
            return false;
        }
    }
    if (!QFile::rename(partial, dir.filePath(QStringLiteral("relai.db")))) {
        QFile::remove(partial);
        *error = QStringLiteral("impossible de renommer %1 en relai.db.").arg(partial);
        return false;
    }
    return true;
}

} // namespace

namespace DemoWorkspace {

bool create(const QString &folder, Report *report, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QDir dir(folder);
    const QFileInfo db(dir.filePath(QStringLiteral("relai.db")));
    if (db.exists() || db.isSymLink())
        return fail(QStringLiteral("le dossier %1 contient déjà une base relai.db ; rien n'a été écrit.")
                        .arg(QDir::toNativeSeparators(dir.absolutePath())));
    if (QFileInfo::exists(dir.filePath(QStringLiteral("relai.mdb"))))
        return fail(QStringLiteral("le dossier %1 contient une base relai.mdb à importer ; rien n'a été écrit.")
                        .arg(QDir::toNativeSeparators(dir.absolutePath())));
    if (!dir.mkpath(QStringLiteral(".")) || !dir.mkpath(QStringLiteral("Wav")) || !dir.mkpath(QStringLiteral("Wav2")))
        return fail(QStringLiteral("impossible de créer le dossier %1.").arg(QDir::toNativeSeparators(folder)));

    Report r;
    const QString mapFile = dir.filePath(QStringLiteral("plan.bmp"));
    r.mapKept = QFileInfo::exists(mapFile);
    if (!r.mapKept) {
        const QImage map = DemoMap::draw();
        if (!map.save(mapFile, "BMP")) {
            QFile::remove(mapFile);
            return fail(QStringLiteral("impossible d'écrire %1.").arg(mapFile));
        }
    }

    QString why;
    Written tones;
    if (!writeTones(dir, &tones, &why))
        return fail(why);
    r.tonesMade = tones.made;
    r.tonesKept = tones.kept;

    const QVector<DemoNetwork::Site> sites = DemoNetwork::sites();
    if (!writeDatabase(dir, sites, &why))
        return fail(QStringLiteral("base relai.db non créée : %1").arg(why));

    r.repeaters = int(sites.size());
    for (const DemoNetwork::Site &s : sites) {
        r.commands += int(s.commands.size());
        r.beams += std::max(0, int(s.repeater.chemin.size()) - 1);
    }
    if (report)
        *report = r;
    return true;
}

} // namespace DemoWorkspace
