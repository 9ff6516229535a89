#include "frmmain.h"

#include "core/dtmf.h"
#include "command/relai.h"
#include "core/routestate.h"
#include "core/sharedstate.h"
#include "editors/frmrelai.h"
#include "editors/frmrelais.h"
#include "keypad.h"
#include "mainmenus.h"
#include "mapinteraction.h"
#include "maproutines.h"
#include "mapscene.h"
#include "mapview.h"
#include "store/configuration.h"
#include "store/store.h"
#include "txindicator.h"
#include "ui/artwork.h"
#include "audio/transmitter.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

frmMain::frmMain(Store &store, Configuration &config, SharedState &state, RouteState &routes, Transmitter *transmitter,
                 JournalStore *journal, QWidget *parent)
    : QMainWindow(parent), m_store(store), m_config(config), m_state(state), m_routes(routes),
      m_transmitter(transmitter)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pontavel"));
    setWindowIcon(Artwork::windowIcon());
    m_scene = new MapScene(this);
    m_routines = new MapRoutines(*m_scene);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *band = new QWidget(central);
    band->setObjectName(QStringLiteral("band"));
    layout->addWidget(band);
    picture2 = new MapView(m_scene, central);
    picture2->setObjectName(QStringLiteral("picture2"));
    layout->addWidget(picture2, 1);
    setCentralWidget(central);

    buildBand();
    m_menus = new MainMenus(*this, m_config, m_transmitter, journal);
    connect(m_menus, &MainMenus::repeaterEditorAsked, this, &frmMain::openRepeaterEditor);
    connect(m_menus, &MainMenus::importAsked, this, &frmMain::importMdb);
    connect(m_menus, &MainMenus::statusBarShown, this, [this](bool shown) { statusBar()->setVisible(shown); });
    buildStatusBar();
    setupZoom();
    setupCommands();
    setupKeys();
    connect(&m_config, &Configuration::coloursChanged, this, &frmMain::applyColours);
    describeControls();
    resize(1280, 860);
}

frmMain::~frmMain()
{
    // The map's event filter reads the view and the scene: it must go before
    // the widgets are torn down and still send it events.
    delete m_interaction;
    m_interaction = nullptr;
    delete m_routines;
}

void frmMain::buildBand()
{
    QWidget *band = centralWidget()->findChild<QWidget *>(QStringLiteral("band"));
    auto *row = new QHBoxLayout(band);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(2);
    // Zoom buttons, 345 x 330 twips, in the order of the band.
    const struct { QToolButton **button; const char *name; QString tip; } zooms[] = {
        {&CmdZoomPlus, "CmdZoomPlus", QStringLiteral("Zoom +")},
        {&CmdZoomMoins, "CmdZoomMoins", QStringLiteral("Zoom -")},
        {&CmdZoom, "CmdZoom", QStringLiteral("Zoom")},
        {&CmdZoomFenetre, "CmdZoomFenetre", QStringLiteral("Zoom Fenêtre")},
        {&CmdZoomPrec, "CmdZoomPrec", QStringLiteral("Zoom Précédent")},
        {&CmdZoomTout, "CmdZoomTout", QStringLiteral("Zoom Tout")},
    };
    for (const auto &z : zooms) {
        auto *b = new QToolButton(band);
        b->setObjectName(QLatin1String(z.name));
        b->setToolTip(z.tip);
        b->setFixedSize(23, 22);
        *z.button = b;
        row->addWidget(b);
    }
    row->addSpacing(12);
    CmdEfface = new QPushButton(QStringLiteral("Efface"), band);
    CmdEfface->setObjectName(QStringLiteral("CmdEfface"));
    CmdEfface->setToolTip(QStringLiteral("Efface Sélections"));
    CmdEfface->setFixedSize(71, 22);
    row->addWidget(CmdEfface);
    row->addSpacing(12);
    const QString keys = Dtmf::keys();
    for (int i = 0; i < keys.size(); ++i) {
        auto *b = new QPushButton(QString(keys.at(i)), band);
        b->setObjectName(QStringLiteral("FVocal%1").arg(i));
        b->setToolTip(QStringLiteral("Fréquence Vocal \"%1\"").arg(keys.at(i)));
        b->setFixedSize(22, 22);
        b->setFocusPolicy(Qt::NoFocus);
        FVocal.append(b);
        row->addWidget(b);
    }
    row->addStretch(1);
}

void frmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    etat = new QLabel(QStringLiteral("Etat :"), bar);
    etat->setObjectName(QStringLiteral("etat"));
    etat->setToolTip(QStringLiteral("Etat"));
    datePanel = new QLabel(bar);
    datePanel->setToolTip(QStringLiteral("Date"));
    timePanel = new QLabel(bar);
    timePanel->setToolTip(QStringLiteral("Heure"));
    temps = new QLabel(bar);
    temps->setObjectName(QStringLiteral("temps"));
    temps->setToolTip(QStringLiteral("Temps Restant"));
    temps->setMinimumWidth(90);
    bar->addWidget(etat, 1);
    // Passing messages have a panel of their own: QStatusBar's would be drawn
    // over "etat" and the other panels.
    messagePanel = new QLabel(bar);
    messagePanel->setObjectName(QStringLiteral("messagePanel"));
    messagePanel->setMinimumWidth(0);
    messagePanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(messagePanel, 2);
    messageTimer = new QTimer(this);
    messageTimer->setSingleShot(true);
    connect(messageTimer, &QTimer::timeout, messagePanel, &QLabel::clear);
    bar->addPermanentWidget(datePanel);
    bar->addPermanentWidget(timePanel);
    bar->addPermanentWidget(temps);
    transmitPanel = new TxIndicator(bar);
    transmitPanel->follow(m_transmitter);
    bar->addPermanentWidget(transmitPanel);
    auto tick = [this] {
        const QDateTime now = QDateTime::currentDateTime();
        datePanel->setText(QLocale(QLocale::French).toString(now.date(), QLocale::ShortFormat));
        timePanel->setText(now.time().toString(QStringLiteral("HH:mm:ss")));
    };
    tick();
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, tick);
    clock->start(1000);
}

void frmMain::describeControls()
{
    const QString zoom = QStringLiteral("Les boutons de zoom agrandissent ou réduisent la carte, "
                                        "zooment sur une fenêtre tracée à la souris, reviennent au zoom "
                                        "précédent ou montrent la carte entière.");
    for (QToolButton *b : {CmdZoomPlus, CmdZoomMoins, CmdZoom, CmdZoomFenetre, CmdZoomPrec, CmdZoomTout})
        b->setWhatsThis(QStringLiteral("<b>%1</b><br>%2").arg(b->toolTip(), zoom));
    CmdEfface->setWhatsThis(QStringLiteral("<b>Efface</b><br>Efface tous les chemins affichés : "
                                           "les relais reviennent au repos et les décomptes "
                                           "disparaissent."));
    for (QPushButton *b : std::as_const(FVocal))
        b->setWhatsThis(QStringLiteral("<b>Clavier DTMF</b><br>Tant que la touche %1 est enfoncée, "
                                       "l'émetteur est passé en émission et la tonalité de la touche "
                                       "est jouée.").arg(b->text()));
    picture2->setWhatsThis(QStringLiteral(
        "<b>Carte</b><br>Un clic sur un relais ouvre sa fenêtre de commandes. Maj + glisser déplace "
        "un relais ou ses libellés ; Maj + clic droit ouvre l'éditeur de ses commandes ; Ctrl + "
        "glisser déplace la carte. Sous chaque relais d'un chemin, le temps d'affichage restant "
        "est décompté."));
    etat->setWhatsThis(QStringLiteral("<b>Etat</b><br>Ce que fait le programme en ce moment."));
    temps->setWhatsThis(QStringLiteral("<b>Temps Restant</b>"));
}

void frmMain::setStatusText(const QString &text)
{
    etat->setText(text);
}

QString frmMain::statusText() const
{
    return etat->text();
}

void frmMain::showStatusMessage(const QString &text, int timeoutMs)
{
    messagePanel->setText(text);
    messagePanel->setToolTip(text);  // the whole text when the panel cuts it
    messageTimer->stop();
    if (timeoutMs > 0)
        messageTimer->start(timeoutMs);
}

QString frmMain::statusMessage() const
{
    return messagePanel->text();
}

QWidget *frmMain::emptyNetworkHint() const
{
    return emptyHint && !emptyHint->isHidden() ? emptyHint : nullptr;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_transmitter)
        m_transmitter->stop();
    QMainWindow::closeEvent(event);
}

void frmMain::setupKeys()
{
    // Written out: the standard key is missing from some platforms' key schemes.
    auto *quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
    // "+" and "-" of the main keyboard and of the numeric pad, with or without Ctrl.
    const struct { QKeySequence key; void (MapInteraction::*step)(); } zooms[] = {
        {QKeySequence(Qt::Key_Plus), &MapInteraction::zoomIn},
        {QKeySequence(Qt::Key_Minus), &MapInteraction::zoomOut},
        {QKeySequence::ZoomIn, &MapInteraction::zoomIn},
        {QKeySequence::ZoomOut, &MapInteraction::zoomOut},
    };
    for (const auto &z : zooms) {
        auto *key = new QShortcut(z.key, this);
        connect(key, &QShortcut::activated, m_interaction, z.step);
    }
}

void frmMain::updateEmptyHint()
{
    if (m_scene->repeaterCount() > 0) {
        if (emptyHint)
            emptyHint->hide();
        return;
    }
    if (!emptyHint) {
        emptyHint = new QLabel(picture2->viewport());
        emptyHint->setObjectName(QStringLiteral("emptyNetworkHint"));
        emptyHint->setWordWrap(true);
        emptyHint->setTextFormat(Qt::RichText);
        emptyHint->setMargin(12);
        emptyHint->setAutoFillBackground(true);
        emptyHint->setFrameShape(QFrame::Box);
        emptyHint->setStyleSheet(QStringLiteral("QLabel { background: #fffbe6; color: black; }"));
    }
    emptyHint->setText(QStringLiteral(
        "<p><b>Ce réseau ne compte encore aucun relais.</b></p>"
        "<p>• Pour ajouter un relais : menu « Paramètres », « Relais... », bouton « Ajouter ».<br>"
        "• Pour reprendre le réseau de l'ancien programme : menu « Paramètres », "
        "« Importer une base relai.mdb... ».<br>"
        "• Pour le plan de la région : une image enregistrée sous le nom <b>plan.bmp</b> dans le dossier "
        "%1 ; elle est lue au démarrage suivant.</p>"
        "<p>L'aide (touche F1) décrit le dossier de travail et l'importation.</p>")
                           .arg(QDir::toNativeSeparators(QDir::currentPath()).toHtmlEscaped()));
    // The window is not laid out yet at the first load: a width that suits every screen.
    emptyHint->setFixedWidth(480);
    emptyHint->adjustSize();
    emptyHint->move(20, 20);
    emptyHint->show();
    emptyHint->raise();
}

void frmMain::ChargeParam()
{
    bool rowPresent = false;
    // Everything stored at once: colours, view, duration, and the station's
    // port, line settings, PTT line and sound output to the transmitter.
    m_config.load(&rowPresent);
    m_state.startView(m_config.row());
    if (m_store.isOpen() && !rowPresent)
        m_loadMessages << QStringLiteral("La table Param ne contient aucun réglage : "
                                         "les réglages par défaut sont utilisés.");
}

void frmMain::Load()
{
    m_loadMessages.clear();
    offerFirstImport();
    const auto opened = m_store.open(QStringLiteral("relai.db"));
    if (opened == Store::OpenResult::Failed)
        m_loadMessages << m_store.lastError();
    m_loadMessages << m_store.warnings();
    ChargeParam();

    QString mapError;
    const QString map = QStringLiteral("plan.bmp");
    if (!m_scene->loadMap(map, &mapError) && !(m_mapMissingTold && !QFileInfo::exists(map))) {
        if (!QFileInfo::exists(map)) {
            mapError += QStringLiteral("\nToute image (BMP, PNG ou JPEG) enregistrée sous le nom plan.bmp dans ce "
                                       "dossier servira de plan au prochain démarrage ; sans plan, Pontavel "
                                       "fonctionne sur un fond uni.");
            m_mapMissingTold = true;
        }
        m_loadMessages << mapError;
    }

    QString error;
    const QVector<Repeater> list = m_store.repeaters(&error);
    if (!error.isEmpty() && opened != Store::OpenResult::Failed)
        m_loadMessages << error;
    m_routes.setRepeaters(list);
    m_scene->setRepeaters(list, m_routes.CouleurRepos());
    picture2->applyView(m_state.CoefZoom, m_state.CarteX, m_state.CarteY);
    m_interaction->loaded();
    m_routines->TraceFaisceaux();
    m_routines->TraceChemins(m_routes.CheminsActifs);
    updateEmptyHint();

    if (opened == Store::OpenResult::Created)
        showStatusMessage(QStringLiteral("Nouvelle base relai.db créée avec les réglages par défaut."), 15000);
    else if (opened == Store::OpenResult::Failed)
        showStatusMessage(QStringLiteral("Base de données indisponible : rien ne sera enregistré."));
}

void frmMain::showLoadMessages()
{
    if (m_loadMessages.isEmpty())
        return;
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), m_loadMessages.join(QStringLiteral("\n\n")),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void frmMain::setupZoom()
{
    const struct { QToolButton *button; const char *picture; } band[] = {
        {CmdZoomPlus, "plus"},       {CmdZoomMoins, "minus"},     {CmdZoom, "magnify"},
        {CmdZoomFenetre, "frame"},   {CmdZoomPrec, "previous"},   {CmdZoomTout, "all"},
    };
    for (const auto &b : band) {
        b.button->setIcon(QIcon(QStringLiteral(":/resources/zoom/%1.png").arg(QLatin1String(b.picture))));
        b.button->setIconSize(QSize(21, 21));
        // A click gives the button the focus, so Escape reaches the mode buttons.
        b.button->setFocusPolicy(Qt::StrongFocus);
    }
    // The map never takes the focus: Escape keeps working between magnifier clicks.
    picture2->setFocusPolicy(Qt::NoFocus);
    m_interaction = new MapInteraction(*this, *picture2, *m_scene, *m_routines, m_routes, m_store, m_config, m_state);
    MapInteraction *z = m_interaction;
    connect(CmdZoomPlus, &QToolButton::clicked, z, &MapInteraction::zoomIn);
    connect(CmdZoomMoins, &QToolButton::clicked, z, &MapInteraction::zoomOut);
    connect(CmdZoom, &QToolButton::clicked, z, &MapInteraction::toggleMagnifier);
    connect(CmdZoomFenetre, &QToolButton::clicked, z, &MapInteraction::armFrame);
    connect(CmdZoomPrec, &QToolButton::clicked, z, &MapInteraction::zoomPrevious);
    connect(CmdZoomTout, &QToolButton::clicked, z, &MapInteraction::zoomAll);
    connect(CmdEfface, &QPushButton::clicked, z, &MapInteraction::disarm);
    // A key of the keypad leaves the zoom modes too.
    for (QPushButton *key : std::as_const(FVocal))
        connect(key, &QPushButton::pressed, z, &MapInteraction::disarm);
    z->heedEscape(CmdZoom, CmdZoomFenetre);
    z->attach();
    connect(z, &MapInteraction::statusChanged, this, &frmMain::setStatusText);
    connect(z, &MapInteraction::commandWindowAsked, this, &frmMain::openCommandWindow);
    connect(z, &MapInteraction::commandEditorAsked, this, &frmMain::openCommandEditor);
}

void frmMain::setupCommands()
{
    // The scene shows what the route state says.
    connect(&m_routes, &RouteState::activeChanged, m_scene, &MapScene::setActive);
    connect(&m_routes, &RouteState::labelsChanged, m_scene, &MapScene::setLabels);
    connect(&m_routes, &RouteState::labelsRestored, m_scene, &MapScene::restoreLabels);
    connect(&m_routes, &RouteState::labelColourChanged, m_scene, &MapScene::setLabelColour);
    connect(&m_routes, &RouteState::countdownChanged, m_scene, &MapScene::setCountdown);
    connect(&m_routes, &RouteState::routesChanged, this, [this](const QString &chemins) {
        m_routines->TraceChemins(chemins);
    });
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(100);
    connect(Timer2, &QTimer::timeout, &m_routes, &RouteState::tick);
    Timer2->start();
    new Keypad(m_transmitter, FVocal, this, this);
    connect(CmdEfface, &QPushButton::clicked, this, &frmMain::CmdEfface_Click);
}

void frmMain::applyColours(std::optional<ColourChoice> chosen)
{
    const Settings &row = m_config.row();
    m_routines->setColours(row.routeColour, row.beamColour);
    // After a load, Load() draws the lines once the repeaters are placed.
    if (chosen == ColourChoice::Route)
        m_routines->TraceChemins(m_routes.CheminsActifs);
    else if (chosen == ColourChoice::Beam)
        m_routines->TraceFaisceaux();
}

void frmMain::CmdEfface_Click()
{
    m_routes.clearRoutes();
    setStatusText(QStringLiteral("Etat :"));
}

// IndexBouton, NomCourant and FreqCourante are set by the click on the
// repeater's icon before the window opens.
void frmMain::openCommandWindow(int index)
{
    if (findChild<Relai *>())
        return;  // one command window at a time
    auto *window = new Relai(index, m_state.NomCourant, m_state.FreqCourante, m_store, m_routes, m_transmitter, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->show();
}

void frmMain::openCommandEditor(int index)
{
    auto *editor = new frmRelai(m_store, index, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    if (const Repeater *r = m_scene->repeater(index))
        editor->setWindowTitle(QStringLiteral("Paramètres ") + r->nom + r->freq);
    editor->setWindowModality(Qt::ApplicationModal);
    editor->show();
}

void frmMain::openRepeaterEditor()
{
    auto *editor = new frmRelais(m_store, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &frmRelais::repeaterAdded, this, &frmMain::reloadRepeaters);
    connect(editor, &frmRelais::repeaterUpdated, this, &frmMain::reloadRepeaters);
    connect(editor, &frmRelais::repeaterDeleted, this, &frmMain::repeaterRemoved);
    editor->setWindowModality(Qt::ApplicationModal);
    editor->show();
}

void frmMain::reloadRepeaters()
{
    const QVector<Repeater> list = m_store.repeaters();
    m_routes.setRepeaters(list);
    m_scene->setRepeaters(list, m_routes.CouleurRepos());
    // Repeaters still on a displayed route show again what the route state
    // says of them: icon, texts and countdown.
    for (int i = 1; i <= list.size(); ++i) {
        if (!m_routes.RouteAffichee.value(i))
            continue;
        const RouteState::Look &look = m_routes.look(i);
        m_scene->setActive(i, look.active);
        m_scene->setLabels(i, look.first, look.second, look.colour);
        if (!look.countdown.isEmpty())
            m_scene->setCountdown(i, look.countdown, look.countdownBack);
    }
    m_routines->TraceFaisceaux();
    m_routines->TraceChemins(m_routes.CheminsActifs);
    updateEmptyHint();
}

void frmMain::repeaterRemoved(int numero)
{
    // Every following repeater moved one number down; the route state moves with them.
    m_routes.repeaterDeleted(numero);
    reloadRepeaters();
}
