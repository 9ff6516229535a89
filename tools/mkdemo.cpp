// pontavel-demo <dossier>: makes a working folder that Pontavel can open at
// once: the map plan.bmp, relai.db with a sample network, and the tone files.

#include "demomap.h"
#include "demonetwork.h"

#include "audio/dtmfsynth.h"
#include "audio/tonefiles.h"
#include "core/store.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

int fail(const QString &message)
{
    err() << "pontavel-demo : " << message << Qt::endl;
    return 1;
}

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
    for (const QChar key : DtmfSynth::keys()) {
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
        const bool ok = store.appendNetwork(repeaters, commands, error)
                        && store.writeSettings({{QStringLiteral("CoefZoom"), 7.5},
                                                {QStringLiteral("CarteX"), 1650},
                                                {QStringLiteral("CarteY"), 75}},
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

int main(int argc, char **argv)
{
    // The tool never opens a window; drawing text needs a GUI application all the same.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return fail(QStringLiteral("usage : pontavel-demo <dossier>\n"
                                   "Crée dans le dossier la carte plan.bmp, la base relai.db d'un réseau "
                                   "de démonstration et les fichiers de tonalités Wav et Wav2."));

    const QString folder = args.at(1);
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

    const QString mapFile = dir.filePath(QStringLiteral("plan.bmp"));
    const bool mapKept = QFileInfo::exists(mapFile);
    if (!mapKept) {
        const QImage map = DemoMap::draw();
        if (!map.save(mapFile, "BMP")) {
            QFile::remove(mapFile);
            return fail(QStringLiteral("impossible d'écrire %1.").arg(mapFile));
        }
    }

    QString error;
    Written tones;
    if (!writeTones(dir, &tones, &error))
        return fail(error);

    const QVector<DemoNetwork::Site> sites = DemoNetwork::sites();
    if (!writeDatabase(dir, sites, &error))
        return fail(QStringLiteral("base relai.db non créée : %1").arg(error));

    int commands = 0;
    int beams = 0;
    for (const DemoNetwork::Site &s : sites) {
        commands += int(s.commands.size());
        beams += std::max(0, int(s.repeater.chemin.size()) - 1);
    }
    QTextStream out(stdout);
    out << "Espace de démonstration créé dans " << QDir::toNativeSeparators(dir.absolutePath()) << " :\n"
        << (mapKept ? QStringLiteral("  plan.bmp : carte existante conservée (le réseau est placé pour la carte "
                                     "de démonstration de %1 x %2 pixels)\n")
                    : QStringLiteral("  plan.bmp : carte de %1 x %2 pixels\n"))
               .arg(DemoMap::Width)
               .arg(DemoMap::Height)
        << "  relai.db : " << sites.size() << " relais, " << beams << " faisceaux, " << commands << " commandes\n"
        << "  Wav, Wav2 : " << tones.made
        << (tones.made == 1 ? " fichier de tonalité DTMF créé" : " fichiers de tonalités DTMF créés");
    if (tones.kept)
        out << ", " << tones.kept << (tones.kept == 1 ? " fichier existant conservé" : " fichiers existants conservés");
    out << "\n";
    return 0;
}
