#include "mainmenus.h"

#include "core/convert.h"
#include "dialogs/frmtempo.h"
#include "dialogs/helpwindow.h"
#include "dialogs/journalwindow.h"
#include "dialogs/proposa.h"
#include "dialogs/videomonitor.h"
#include "serial/frmproperties.h"
#include "store/configuration.h"

#include <QColorDialog>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

namespace {

// Tool bar buttons: key, tool tip, picture, what's this.
struct ToolButton { const char *name; QString key; QString tip; const char *image; QString whatsThis; };
const ToolButton toolButtons[] = {
    {"tbPort", QStringLiteral("Port"), QStringLiteral("Paramètres du Port"), "port",
     QStringLiteral("<b>Paramètres du Port</b><br>Choix du port série qui commande "
                    "l'émetteur (ligne RTS) et de ses réglages.")},
    {"tbProprietes", QStringLiteral("Propriétés"), QStringLiteral("Paramètres Relais"), "properties",
     QStringLiteral("<b>Paramètres Relais</b><br>Ouvre l'éditeur de la table des relais.")},
    {"tbAide", QStringLiteral("Aide"), QStringLiteral("Aide"), "help",
     QStringLiteral("<b>Aide</b><br>Ouvre le sommaire de l'aide.")},
    {"tbAideQuoi", QStringLiteral("Aide Qu'est ce que c'est"), QStringLiteral("Aide Qu'est ce que c'est"), "whatsthis",
     QStringLiteral("<b>Aide Qu'est ce que c'est</b><br>Cliquez ensuite sur un élément "
                    "de la fenêtre pour savoir à quoi il sert.")},
};

QString resourcePath(const QString &source)
{
    const QUrl url(source);
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    return url.isLocalFile() ? url.toLocalFile() : source;
}

} // namespace

MainMenus::MainMenus(QMainWindow &window, Configuration &config, Transmitter *transmitter, JournalStore *journal)
    : QObject(&window), m_window(window), m_config(config), m_transmitter(transmitter), m_journal(journal)
{
    setObjectName(QStringLiteral("MainMenus"));
    colourDialog = [this](const QColor &initial, const QString &title) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, &m_window, title);
        if (!c.isValid())
            return std::nullopt;
        return c;
    };
    buildMenuBar();
    buildToolBar();
}

QAction *MainMenus::addAction(QObject *container, const char *name, const QString &text)
{
    QAction *a = nullptr;
    if (auto *menu = qobject_cast<QMenu *>(container))
        a = menu->addAction(text);
    else
        a = static_cast<QMenuBar *>(container)->addAction(text);
    a->setObjectName(QLatin1String(name));
    return a;
}

void MainMenus::buildMenuBar()
{
    QMenuBar *bar = m_window.menuBar();
    QAction *quit = addAction(bar, "Quit", QStringLiteral("&Quitter"));
    connect(quit, &QAction::triggered, &m_window, &QWidget::close);
    QAction *port = addAction(bar, "port", QStringLiteral("&Port"));
    connect(port, &QAction::triggered, this, &MainMenus::openPortDialog);

    QMenu *relai = bar->addMenu(QStringLiteral("&Paramètres"));
    relai->setObjectName(QStringLiteral("MnuRelai"));
    relai->menuAction()->setObjectName(QStringLiteral("MnuRelaiAction"));
    connect(addAction(relai, "Param", QStringLiteral("&Relais...")), &QAction::triggered, this,
            &MainMenus::repeaterEditorAsked);
    const struct { const char *name; QString text; ColourChoice which; } colours[] = {
        {"Couleur2", QStringLiteral("Couleur &Nom Relais..."), ColourChoice::Idle},
        {"Couleur", QStringLiteral("&Couleur Nom &Commande..."), ColourChoice::Active},
        {"CoulLigne", QStringLiteral("Couleur &Routage..."), ColourChoice::Route},
        {"CoulFaisc", QStringLiteral("Couleur &Faisceaux..."), ColourChoice::Beam},
    };
    for (const auto &c : colours) {
        const ColourChoice which = c.which;
        connect(addAction(relai, c.name, c.text), &QAction::triggered, this, [this, which] { chooseColour(which); });
    }
    connect(addAction(relai, "TempoChem", QStringLiteral("&Tempo Chemin...")), &QAction::triggered, this,
            &MainMenus::openTempo);
    connect(addAction(relai, "ImportMdb", QStringLiteral("&Importer une base relai.mdb...")), &QAction::triggered,
            this, &MainMenus::importAsked);

    QMenu *view = bar->addMenu(QStringLiteral("Affic&hage"));
    view->setObjectName(QStringLiteral("mnuView"));
    view->menuAction()->setObjectName(QStringLiteral("mnuViewAction"));
    QAction *toolbar = addAction(view, "mnuViewToolbar", QStringLiteral("&Barre d'outils"));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction *status = addAction(view, "mnuViewStatusBar", QStringLiteral("B&arre d'état"));
    status->setCheckable(true);
    status->setChecked(true);
    QAction *sep = view->addSeparator();
    sep->setObjectName(QStringLiteral("mnuViewBar0"));
    connect(addAction(view, "mnuViewTV", QStringLiteral("&Moniteur")), &QAction::triggered, this,
            &MainMenus::startMonitor);
    QAction *journal = addAction(view, "mnuViewJournal", QStringLiteral("&Journal de trafic"));
    journal->setEnabled(m_journal != nullptr);
    connect(journal, &QAction::triggered, this, &MainMenus::openJournal);
    // The check mark flips itself on a click; the bar follows it.
    connect(toolbar, &QAction::triggered, this, [this](bool on) { tbToolBar->setVisible(on); });
    connect(status, &QAction::triggered, this, &MainMenus::statusBarShown);

    QMenu *aide = bar->addMenu(QStringLiteral("&Aide"));
    aide->setObjectName(QStringLiteral("mnuAide"));
    aide->menuAction()->setObjectName(QStringLiteral("mnuAideAction"));
    QAction *somm = addAction(aide, "mnuSomm", QStringLiteral("&Sommaire..."));
    somm->setShortcut(QKeySequence::HelpContents);
    connect(somm, &QAction::triggered, this, &MainMenus::showContents);
    QAction *on = addAction(aide, "mnuHelpSearchForHelpOn", QStringLiteral("&Aide sur..."));
    on->setShortcut(QKeySequence::WhatsThis);
    connect(on, &QAction::triggered, this, &MainMenus::contextHelp);
    connect(addAction(aide, "propos", QStringLiteral("&A Propos...")), &QAction::triggered, this,
            &MainMenus::openAbout);
}

void MainMenus::buildToolBar()
{
    tbToolBar = m_window.addToolBar(QStringLiteral("Barre d'outils"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    for (const ToolButton &b : toolButtons) {
        QAction *a = tbToolBar->addAction(
            QIcon(QStringLiteral(":/resources/toolbar/%1.png").arg(QLatin1String(b.image))), b.key);
        a->setObjectName(QLatin1String(b.name));
        a->setData(b.key);
        a->setToolTip(b.tip);
        a->setWhatsThis(b.whatsThis);
    }
    connect(tbToolBar, &QToolBar::actionTriggered, this, &MainMenus::toolbarClicked);
    // Hiding the bar from its own context menu keeps the check mark right.
    QAction *mark = m_window.menuBar()->findChild<QAction *>(QStringLiteral("mnuViewToolbar"));
    connect(tbToolBar, &QToolBar::visibilityChanged, mark, [mark, tb = tbToolBar](bool) {
        mark->setChecked(!tb->isHidden());
    });
}

void MainMenus::toolbarClicked(QAction *button)
{
    const QString key = button ? button->data().toString() : QString();
    if (key == QLatin1String("Port"))
        openPortDialog();
    else if (key == QStringLiteral("Propriétés"))
        emit repeaterEditorAsked();
    else if (key == QLatin1String("Aide"))
        showContents();
    else if (key == QStringLiteral("Aide Qu'est ce que c'est"))
        contextHelp();
}

void MainMenus::chooseColour(ColourChoice which)
{
    const Settings &row = m_config.row();
    quint32 current = 0;
    QString title;
    switch (which) {
    case ColourChoice::Active:
        current = row.activeColour;
        title = QStringLiteral("Couleur Nom Commande");
        break;
    case ColourChoice::Idle:
        current = row.idleColour;
        title = QStringLiteral("Couleur Nom Relais");
        break;
    case ColourChoice::Route:
        current = row.routeColour;
        title = QStringLiteral("Couleur Routage");
        break;
    case ColourChoice::Beam:
        current = row.beamColour;
        title = QStringLiteral("Couleur Faisceaux");
        break;
    }
    const std::optional<QColor> chosen = colourDialog(colorFromBgr(current), title);
    if (!chosen || !chosen->isValid())
        return;
    // Stored first, then the map follows the settings' signal: when the row
    // cannot be written nothing on screen changes.
    QString error;
    if (!m_config.applyColour(which, bgrFromColor(*chosen), &error))
        QMessageBox::warning(&m_window, m_window.windowTitle(),
                             QStringLiteral("La couleur n'a pas pu être enregistrée : %1").arg(error));
}

void MainMenus::showContents()
{
    if (!QFile::exists(resourcePath(helpSource))) {
        QMessageBox::information(&m_window, m_window.windowTitle(),
                                 QStringLiteral("Impossible d'afficher le sommaire de l'Aide. "
                                                "Aucune Aide n'est associée à ce projet."));
        return;
    }
    if (!m_help)
        m_help = new HelpWindow(QUrl(helpSource), &m_window);
    m_help->showContents();
}

void MainMenus::contextHelp()
{
    QWhatsThis::enterWhatsThisMode();
}

void MainMenus::openPortDialog()
{
    frmProperties dialog(m_config, m_handshaking, &m_window, m_transmitter);
    // Stored and applied here; a write that fails leaves the dialog open on the choice.
    while (dialog.exec() == QDialog::Accepted) {
        m_handshaking = dialog.choice().handshaking;
        QString error;
        if (m_config.applyPort(dialog.choice(), &error))
            return;
        QMessageBox::warning(&m_window, m_window.windowTitle(),
                             QStringLiteral("Les réglages du port n'ont pas pu être enregistrés dans "
                                            "la base de données : %1")
                                 .arg(error));
    }
}

void MainMenus::openTempo()
{
    frmTempo dialog(m_config.row().displayMinutes(), &m_window);
    while (dialog.exec() == QDialog::Accepted) {
        QString error;
        if (m_config.applyTempo(dialog.minutes(), &error))
            return;
        QMessageBox::warning(&m_window, m_window.windowTitle(),
                             QStringLiteral("La durée d'affichage n'a pas pu être enregistrée dans la "
                                            "base de données ; elle reste de %1 minute(s).\n\n%2")
                                 .arg(m_config.row().displayMinutes())
                                 .arg(error));
    }
}

void MainMenus::openAbout()
{
    ProposA dialog(&m_window);
    dialog.exec();
}

void MainMenus::startMonitor()
{
    QString error;
    if (!VideoMonitor::start(VideoMonitor::programs(m_config.emission().monitorProgram), &error)) {
        QMessageBox box(QMessageBox::NoIcon, m_window.windowTitle(), error, QMessageBox::Ok, &m_window);
        box.exec();
    }
}

void MainMenus::openJournal()
{
    if (!m_journal)
        return;
    if (!m_journalWindow) {
        m_journalWindow = new JournalWindow(*m_journal, &m_window);
        m_journalWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}
