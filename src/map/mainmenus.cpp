#include "mainmenus.h"

#include "app/appcontext.h"
#include "core/convert.h"
#include "dialogs/frmtempo.h"
#include "dialogs/helpwindow.h"
#include "dialogs/proposa.h"
#include "dialogs/videomonitor.h"
#include "frmmain.h"
#include "maplabel.h"
#include "maproutines.h"
#include "mapscene.h"
#include "mapview.h"
#include "serial/frmproperties.h"

#include <QColorDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWhatsThis>

namespace {

// Tool bar buttons: key, tool tip, picture.
struct ToolButton { const char *name; QString key; QString tip; const char *image; };
const ToolButton toolButtons[] = {
    {"tbPort", QStringLiteral("Port"), QStringLiteral("Paramètres du Port"), "port"},
    {"tbProprietes", QStringLiteral("Propriétés"), QStringLiteral("Paramètres Relais"), "properties"},
    {"tbAide", QStringLiteral("Aide"), QStringLiteral("Aide"), "help"},
    {"tbAideQuoi", QStringLiteral("Aide Qu'est ce que c'est"), QStringLiteral("Aide Qu'est ce que c'est"), "whatsthis"},
};

QString resourcePath(const QString &source)
{
    const QUrl url(source);
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    return url.isLocalFile() ? url.toLocalFile() : source;
}

} // namespace

MainMenus::MainMenus(frmMain &main) : QObject(&main), m_main(main)
{
    setObjectName(QStringLiteral("MainMenus"));
    colourDialog = [this](const QColor &initial, const QString &title) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, &m_main, title);
        if (!c.isValid())
            return std::nullopt;
        return c;
    };
    buildMenuBar();
    buildToolBar();
    // The status bar panels are made after the menus.
    QTimer::singleShot(0, this, &MainMenus::describeControls);
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
    QMenuBar *bar = m_main.menuBar();
    QAction *quit = addAction(bar, "Quit", QStringLiteral("&Quitter"));
    connect(quit, &QAction::triggered, &m_main, &QWidget::close);
    QAction *port = addAction(bar, "port", QStringLiteral("&Port"));
    connect(port, &QAction::triggered, this, &MainMenus::openPortDialog);

    QMenu *relai = bar->addMenu(QStringLiteral("&Paramètres"));
    relai->setObjectName(QStringLiteral("MnuRelai"));
    relai->menuAction()->setObjectName(QStringLiteral("MnuRelaiAction"));
    connect(addAction(relai, "Param", QStringLiteral("&Relais...")), &QAction::triggered, &m_main,
            &frmMain::openRepeaterEditor);
    const struct { const char *name; QString text; Colour which; } colours[] = {
        {"Couleur2", QStringLiteral("Couleur &Nom Relais..."), Colour::Repos},
        {"Couleur", QStringLiteral("&Couleur Nom &Commande..."), Colour::Actif},
        {"CoulLigne", QStringLiteral("Couleur &Routage..."), Colour::Ligne},
        {"CoulFaisc", QStringLiteral("Couleur &Faisceaux..."), Colour::Faisceau},
    };
    for (const auto &c : colours) {
        const Colour which = c.which;
        connect(addAction(relai, c.name, c.text), &QAction::triggered, this, [this, which] { chooseColour(which); });
    }
    connect(addAction(relai, "TempoChem", QStringLiteral("&Tempo Chemin...")), &QAction::triggered, this,
            &MainMenus::openTempo);
    connect(addAction(relai, "ImportMdb", QStringLiteral("&Importer une base relai.mdb...")), &QAction::triggered,
            &m_main, &frmMain::importMdb);

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
    // The check mark flips itself on a click; the bar follows it.
    connect(toolbar, &QAction::triggered, this, [this](bool on) { m_main.tbToolBar->setVisible(on); });
    connect(status, &QAction::triggered, this, [this](bool on) { m_main.statusBar()->setVisible(on); });

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
    QToolBar *tb = m_main.addToolBar(QStringLiteral("Barre d'outils"));
    tb->setObjectName(QStringLiteral("tbToolBar"));
    m_main.tbToolBar = tb;
    for (const ToolButton &b : toolButtons) {
        QAction *a = tb->addAction(QIcon(QStringLiteral(":/resources/toolbar/%1.png").arg(QLatin1String(b.image))), b.key);
        a->setObjectName(QLatin1String(b.name));
        a->setData(b.key);
        a->setToolTip(b.tip);
    }
    connect(tb, &QToolBar::actionTriggered, this, &MainMenus::toolbarClicked);
    // Hiding the bar from its own context menu keeps the check mark right.
    QAction *mark = m_main.findChild<QAction *>(QStringLiteral("mnuViewToolbar"));
    connect(tb, &QToolBar::visibilityChanged, mark, [mark, tb](bool) { mark->setChecked(!tb->isHidden()); });
}

void MainMenus::toolbarClicked(QAction *button)
{
    const QString key = button ? button->data().toString() : QString();
    if (key == QLatin1String("Port"))
        openPortDialog();
    else if (key == QStringLiteral("Propriétés"))
        m_main.openRepeaterEditor();
    else if (key == QLatin1String("Aide"))
        showContents();
    else if (key == QStringLiteral("Aide Qu'est ce que c'est"))
        contextHelp();
}

void MainMenus::describeControls()
{
    const QString zoom = QStringLiteral("Les boutons de zoom agrandissent ou réduisent la carte, "
                                        "zooment sur une fenêtre tracée à la souris, reviennent au zoom "
                                        "précédent ou montrent la carte entière.");
    for (QToolButton *b : {m_main.CmdZoomPlus, m_main.CmdZoomMoins, m_main.CmdZoom, m_main.CmdZoomFenetre,
                           m_main.CmdZoomPrec, m_main.CmdZoomTout})
        if (b)
            b->setWhatsThis(QStringLiteral("<b>%1</b><br>%2").arg(b->toolTip(), zoom));
    if (m_main.CmdEfface)
        m_main.CmdEfface->setWhatsThis(QStringLiteral("<b>Efface</b><br>Efface tous les chemins affichés : "
                                                      "les relais reviennent au repos et les décomptes "
                                                      "disparaissent."));
    for (QPushButton *b : m_main.FVocal)
        b->setWhatsThis(QStringLiteral("<b>Clavier DTMF</b><br>Tant que la touche %1 est enfoncée, "
                                       "l'émetteur est passé en émission et la tonalité de la touche "
                                       "est jouée.").arg(b->text()));
    if (m_main.view())
        m_main.view()->setWhatsThis(QStringLiteral(
            "<b>Carte</b><br>Un clic sur un relais ouvre sa fenêtre de commandes. Maj + glisser déplace "
            "un relais ou ses libellés ; Maj + clic droit ouvre l'éditeur de ses commandes ; Ctrl + "
            "glisser déplace la carte. Sous chaque relais d'un chemin, le temps d'affichage restant "
            "est décompté."));
    if (m_main.panelEtat)
        m_main.panelEtat->setWhatsThis(QStringLiteral("<b>Etat</b><br>Ce que fait le programme en ce moment."));
    if (m_main.panelTemps)
        m_main.panelTemps->setWhatsThis(QStringLiteral("<b>Temps Restant</b>"));
    const struct { const char *name; QString text; } tools[] = {
        {"tbPort", QStringLiteral("<b>Paramètres du Port</b><br>Choix du port série qui commande "
                                  "l'émetteur (ligne RTS) et de ses réglages.")},
        {"tbProprietes", QStringLiteral("<b>Paramètres Relais</b><br>Ouvre l'éditeur de la table des relais.")},
        {"tbAide", QStringLiteral("<b>Aide</b><br>Ouvre le sommaire de l'aide.")},
        {"tbAideQuoi", QStringLiteral("<b>Aide Qu'est ce que c'est</b><br>Cliquez ensuite sur un élément "
                                      "de la fenêtre pour savoir à quoi il sert.")},
    };
    for (const auto &t : tools)
        if (auto *a = m_main.findChild<QAction *>(QLatin1String(t.name)))
            a->setWhatsThis(t.text);
}

void MainMenus::chooseColour(Colour which)
{
    AppContext &ctx = m_main.context();
    const SharedState &s = ctx.state;
    quint32 current = 0;
    QString field, title;
    switch (which) {
    case Colour::Actif:
        current = s.CouleurActif();
        field = QStringLiteral("couleur"); title = QStringLiteral("Couleur Nom Commande");
        break;
    case Colour::Repos:
        current = s.CouleurRepos();
        field = QStringLiteral("couleur2"); title = QStringLiteral("Couleur Nom Relais");
        break;
    case Colour::Ligne:
        current = s.CouleurLigne();
        field = QStringLiteral("CoulLigne"); title = QStringLiteral("Couleur Routage");
        break;
    case Colour::Faisceau:
        current = s.CouleurFaisceau();
        field = QStringLiteral("CoulFaisc"); title = QStringLiteral("Couleur Faisceaux");
        break;
    }
    const std::optional<QColor> chosen = colourDialog(colorFromBgr(current), title);
    if (!chosen || !chosen->isValid())
        return;
    const quint32 bgr = bgrFromColor(*chosen);
    // Stored first: when the row cannot be written nothing on screen changes.
    QString error;
    if (!ctx.config.applyColour(field, bgr, &error)) {
        QMessageBox::warning(&m_main, m_main.windowTitle(),
                             QStringLiteral("La couleur n'a pas pu être enregistrée : %1").arg(error));
        return;
    }
    switch (which) {
    case Colour::Actif:
        m_main.scene()->setLabelColour(MapLabel::Frequency, bgr);
        break;
    case Colour::Repos:
        m_main.scene()->setLabelColour(MapLabel::Name, bgr);
        break;
    case Colour::Ligne:
        m_main.routines()->TraceChemins(ctx.routes.CheminsActifs);
        break;
    case Colour::Faisceau:
        m_main.routines()->TraceFaisceaux();
        break;
    }
}

void MainMenus::showContents()
{
    if (!QFile::exists(resourcePath(helpSource))) {
        QMessageBox::information(&m_main, m_main.windowTitle(),
                                 QStringLiteral("Impossible d'afficher le sommaire de l'Aide. "
                                                "Aucune Aide n'est associée à ce projet."));
        return;
    }
    if (!m_help)
        m_help = new HelpWindow(QUrl(helpSource), &m_main);
    m_help->showContents();
}

void MainMenus::contextHelp()
{
    describeControls();
    QWhatsThis::enterWhatsThisMode();
}

void MainMenus::openPortDialog()
{
    AppContext &ctx = m_main.context();
    frmProperties dialog(ctx, &m_main);
    // Stored and applied here; a write that fails leaves the dialog open on the choice.
    while (dialog.exec() == QDialog::Accepted) {
        QString error;
        if (ctx.config.applyPort(dialog.choice(), &error))
            return;
        QMessageBox::warning(&m_main, m_main.windowTitle(),
                             QStringLiteral("Les réglages du port n'ont pas pu être enregistrés dans "
                                            "la base de données : %1")
                                 .arg(error));
    }
}

void MainMenus::openTempo()
{
    AppContext &ctx = m_main.context();
    frmTempo dialog(ctx, &m_main);
    while (dialog.exec() == QDialog::Accepted) {
        QString error;
        if (ctx.config.applyTempo(dialog.minutes(), &error))
            return;
        QMessageBox::warning(&m_main, m_main.windowTitle(),
                             QStringLiteral("La durée d'affichage n'a pas pu être enregistrée dans la "
                                            "base de données ; elle reste de %1 minute(s).\n\n%2")
                                 .arg(ctx.state.DureeAffichage())
                                 .arg(error));
    }
}

void MainMenus::openAbout()
{
    ProposA dialog(&m_main);
    dialog.exec();
}

void MainMenus::startMonitor()
{
    QString error;
    if (!VideoMonitor::start(VideoMonitor::programs(m_main.context().config.emission().monitorProgram), &error)) {
        QMessageBox box(QMessageBox::NoIcon, m_main.windowTitle(), error, QMessageBox::Ok, &m_main);
        box.exec();
    }
}

HelpWindow *MainMenus::helpWindow() const
{
    return m_help.data();
}
