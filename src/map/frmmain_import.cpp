#include "frmmain.h"

#include "core/routestate.h"
#include "store/mdbimport.h"
#include "store/store.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

const QString DbName = QStringLiteral("relai.db");
const QString MdbName = QStringLiteral("relai.mdb");
// Lines of the report in the message itself; all of them are in its details.
// More would push the box off a 600-pixel screen.
constexpr int ReportLinesShown = 4;

// What an import leaves alone and what it clears, said before it is done.
QString whatStays()
{
    return QStringLiteral("Le plan plan.bmp et les fichiers de tonalités des dossiers Wav et Wav2 restent tels "
                          "quels ; les routes affichées sur la carte sont effacées.");
}

QString folderText()
{
    return QStringLiteral("Dossier : %1").arg(QDir::toNativeSeparators(QDir::currentPath()));
}

// What was imported, in the status bar and in a message that lists the rows
// that broke the rules.
void tellImported(frmMain *w, const QString &from, const MdbImport::Result &res)
{
    const QString done = QStringLiteral("Base %1 importée : %2.").arg(from, res.counts());
    w->showStatusMessage(done);
    QString text = done;
    if (!res.backup.isEmpty())
        text += QStringLiteral("\nL'ancienne base est gardée sous le nom %1.").arg(QFileInfo(res.backup).fileName());
    QMessageBox box(QMessageBox::Information, QStringLiteral("Pontavel"), text, QMessageBox::Ok,
                    w->isVisible() ? w : nullptr);
    box.setObjectName(QStringLiteral("importFait"));
    const qsizetype n = res.report.size();
    if (n > 0) {
        QString info = n == 1 ? QStringLiteral("Une ligne ne suivait pas les règles de la base ; voici ce qu'elle est devenue :")
                              : QStringLiteral("%1 lignes ne suivaient pas les règles de la base ; voici ce qu'elles sont devenues :").arg(n);
        info += QStringLiteral("\n• ") + res.report.mid(0, ReportLinesShown).join(QStringLiteral("\n• "));
        if (n > ReportLinesShown) {
            info += QStringLiteral("\n… et %1 autres : « Montrer les détails... » les donne toutes.").arg(n - ReportLinesShown);
            box.setDetailedText(res.report.join(QStringLiteral("\n\n")));
        }
        box.setInformativeText(info);
    }
    box.exec();
}

} // namespace

void frmMain::offerFirstImport()
{
    if (QFileInfo::exists(DbName) || !QFileInfo::exists(MdbName))
        return;
    QMessageBox ask(QMessageBox::Question, QStringLiteral("Pontavel"),
                    QStringLiteral("Ce dossier contient la base relai.mdb de l'ancien programme, mais pas encore de base relai.db.\n\n"
                                   "Importer la base relai.mdb ?"),
                    QMessageBox::Yes | QMessageBox::No);
    ask.setInformativeText(folderText()
                           + QStringLiteral("\n\nSes relais, leurs commandes et les réglages seront recopiés dans "
                                            "relai.db ; relai.mdb ne sera pas modifiée. Le plan plan.bmp et les "
                                            "fichiers de tonalités des dossiers Wav et Wav2 servent tels quels."));
    ask.setObjectName(QStringLiteral("questionImport"));
    ask.setDefaultButton(QMessageBox::Yes);
    if (ask.exec() != QMessageBox::Yes)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const MdbImport::Result res = MdbImport::importFile(MdbName, DbName, false);
    QApplication::restoreOverrideCursor();
    if (res.written)
        tellImported(this, MdbName, res);
    else
        m_loadMessages << res.error
                              + QStringLiteral("\n\nPontavel s'ouvre sur une base vide ; le menu « Paramètres », "
                                               "« Importer une base relai.mdb... » permet de réessayer.");
}

void frmMain::importMdb()
{
    const QString file = chooseMdb ? chooseMdb()
                                   : QFileDialog::getOpenFileName(this, QStringLiteral("Importer une base relai.mdb"),
                                                                  QString(),
                                                                  QStringLiteral("Bases Access (*.mdb *.MDB);;Tous les fichiers (*)"));
    if (file.isEmpty())
        return;
    auto warn = [this](const QString &text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pontavel"), text, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("importRate"));
        box.exec();
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    MdbImport::OldDatabase old;
    QString error;
    const bool read = MdbImport::readMdb(file, &old, &error);
    QApplication::restoreOverrideCursor();
    if (!read) {
        warn(error);
        return;
    }

    const QString db = QDir::current().absoluteFilePath(DbName);
    int commands = 0;
    const int repeaters = m_store.repeaterCount();
    for (int i = 1; i <= repeaters; ++i)
        commands += m_store.commandCount(i);
    bool closed = false;
    auto confirm = [&](const MdbImport::Result &res) {
        MdbImport::Result current;
        current.repeaters = std::max(repeaters, 0);
        current.commands = commands;
        QMessageBox box(QMessageBox::Question, QStringLiteral("Pontavel"),
                        QStringLiteral("Remplacer la base relai.db actuelle (%1) par le réseau de %2 (%3) ?")
                            .arg(current.counts(), QFileInfo(file).fileName(), res.counts()),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setInformativeText(folderText()
                               + QStringLiteral("\n\nL'ancienne base sera gardée dans ce dossier sous le nom %1.\n")
                                     .arg(QFileInfo(res.backup).fileName())
                               + whatStays());
        box.setObjectName(QStringLiteral("confirmeImport"));
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return false;
        // The routes of the old network leave the map with it.
        m_routes.clearRoutes();
        m_store.close();
        closed = true;
        return true;
    };
    const MdbImport::Result res = MdbImport::write(old, db, true, confirm);
    if (closed)
        Load();  // the new base, or the old one again when the import failed
    if (res.written)
        tellImported(this, QFileInfo(file).fileName(), res);
    else if (!res.error.isEmpty())
        warn(res.error);
    showLoadMessages();
}
