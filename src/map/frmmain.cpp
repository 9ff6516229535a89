#include "frmmain.h"

#include "audio/dtmfsynth.h"
#include "command/relai.h"
#include "app/appcontext.h"
#include "ui/artwork.h"
#include "core/convert.h"
#include "mainmenus.h"
#include "editors/frmrelai.h"
#include "editors/frmrelais.h"
#include "countdowns.h"
#include "keypad.h"
#include "mapinteraction.h"
#include "maplabel.h"
#include "maproutines.h"
#include "mapscene.h"
#include "mapview.h"
#include "txindicator.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

frmMain::frmMain(AppContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pontavel"));
    setWindowIcon(Artwork::windowIcon());
    m_scene = new MapScene(this);
    m_routines = new MapRoutines(m_ctx, *m_scene);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *band = new QWidget(central);
    band->setObjectName(QStringLiteral("band"));
    layout->addWidget(band);
    m_view = new MapView(m_scene, central);
    m_view->setObjectName(QStringLiteral("picture2"));
    layout->addWidget(m_view, 1);
    setCentralWidget(central);

    buildBand();
    createMenus();
    buildStatusBar();
    setupZoom();
    setupCommands();
    resize(1280, 860);
}

frmMain::~frmMain()
{
    // The map's event filter reads this window: it must go before the widgets
    // are torn down and still send it events.
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
    const QString keys = DtmfSynth::keys();
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
    panelEtat = new QLabel(QStringLiteral("Etat :"), bar);
    panelEtat->setObjectName(QStringLiteral("etat"));
    panelEtat->setToolTip(QStringLiteral("Etat"));
    panelDate = new QLabel(bar);
    panelDate->setToolTip(QStringLiteral("Date"));
    panelHeure = new QLabel(bar);
    panelHeure->setToolTip(QStringLiteral("Heure"));
    panelTemps = new QLabel(bar);
    panelTemps->setObjectName(QStringLiteral("temps"));
    panelTemps->setToolTip(QStringLiteral("Temps Restant"));
    panelTemps->setMinimumWidth(90);
    bar->addWidget(panelEtat, 1);
    bar->addPermanentWidget(panelDate);
    bar->addPermanentWidget(panelHeure);
    bar->addPermanentWidget(panelTemps);
    panelEmission = new TxIndicator(bar);
    panelEmission->follow(m_ctx.transmitter.get());
    bar->addPermanentWidget(panelEmission);
    auto tick = [this] {
        const QDateTime now = QDateTime::currentDateTime();
        panelDate->setText(QLocale(QLocale::French).toString(now.date(), QLocale::ShortFormat));
        panelHeure->setText(now.time().toString(QStringLiteral("HH:mm:ss")));
    };
    tick();
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, tick);
    clock->start(1000);
}

void frmMain::setEtat(const QString &text)
{
    panelEtat->setText(text);
}

QString frmMain::etat() const
{
    return panelEtat->text();
}

void frmMain::ChargeParam()
{
    bool rowPresent = false;
    // Everything stored at once: colours, view, duration, and the station's
    // port, line settings, PTT line and sound output to the transmitter.
    m_ctx.config.load(&rowPresent);
    m_ctx.state.startView(m_ctx.config.row());
    if (m_ctx.store.isOpen() && !rowPresent)
        m_loadMessages << QStringLiteral("La table Param ne contient aucun réglage : "
                                         "les réglages par défaut sont utilisés.");
}

void frmMain::Load()
{
    m_loadMessages.clear();
    offerFirstImport();
    const auto opened = m_ctx.store.open(QStringLiteral("relai.db"));
    if (opened == Store::OpenResult::Failed)
        m_loadMessages << m_ctx.store.lastError();
    m_loadMessages << m_ctx.store.warnings();
    ChargeParam();

    QString mapError;
    if (!m_scene->loadMap(QStringLiteral("plan.bmp"), &mapError))
        m_loadMessages << mapError;

    QString error;
    const QVector<Repeater> list = m_ctx.store.repeaters(&error);
    if (!error.isEmpty() && opened != Store::OpenResult::Failed)
        m_loadMessages << error;
    m_ctx.routes.setRepeaters(list);
    m_scene->setRepeaters(list, m_ctx.state.CouleurRepos());
    m_view->applyView(m_ctx.state.CoefZoom, m_ctx.state.CarteX, m_ctx.state.CarteY);
    zoomLoaded();
    m_routines->TraceFaisceaux();
    m_routines->TraceChemins(m_ctx.routes.CheminsActifs);

    if (opened == Store::OpenResult::Created)
        statusBar()->showMessage(QStringLiteral("Nouvelle base relai.db créée avec les réglages par défaut."), 15000);
    else if (opened == Store::OpenResult::Failed)
        statusBar()->showMessage(QStringLiteral("Base de données indisponible : rien ne sera enregistré."));
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

void frmMain::createMenus()
{
    m_menus = new MainMenus(*this);
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
    m_view->setFocusPolicy(Qt::NoFocus);
    m_interaction = new MapInteraction(*this);
    m_interaction->attach();
}

void frmMain::zoomLoaded()
{
    m_interaction->loaded();
}

void frmMain::setupCommands()
{
    // The scene shows what the route state says.
    RouteState &routes = m_ctx.routes;
    connect(&routes, &RouteState::activeChanged, m_scene, &MapScene::setActive);
    connect(&routes, &RouteState::labelsChanged, m_scene, &MapScene::setLabels);
    connect(&routes, &RouteState::labelsRestored, m_scene, &MapScene::restoreLabels);
    connect(&routes, &RouteState::countdownChanged, m_scene, &MapScene::setCountdown);
    connect(&routes, &RouteState::routesChanged, this, [this](const QString &chemins) {
        m_routines->TraceChemins(chemins);
    });
    auto *countdowns = new Countdowns(routes, this);
    countdowns->setObjectName(QStringLiteral("countdowns"));
    new Keypad(m_ctx, FVocal, this, this);
    connect(CmdEfface, &QPushButton::clicked, this, [this] {
        m_ctx.routes.Efface();
        setEtat(QStringLiteral("Etat :"));
    });
}

// IndexBouton, NomCourant and FreqCourante are set by the caller (the click on
// the repeater's icon) before the window opens.
void frmMain::openCommandWindow(int index)
{
    if (findChild<Relai *>())
        return;  // one command window at a time
    m_ctx.state.IndexBouton = index;
    auto *window = new Relai(m_ctx, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->show();
}

// The map's own state of a repeater that the table does not hold: whether it
// is on a displayed route, the command texts on its labels and its countdown.
struct frmMain::RepeaterView
{
    bool present = false;
    bool active = false;
    QString first, second;
    QColor colour;
    QString countdown;
    QColor countdownBack;
};

void frmMain::openCommandEditor(int index)
{
    m_ctx.state.IndexBouton = index;
    auto *editor = new frmRelai(m_ctx.store, index, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    if (const Repeater *r = m_scene->repeater(index))
        editor->setWindowTitle(QStringLiteral("Paramètres ") + r->nom + r->freq);
    editor->setWindowModality(Qt::ApplicationModal);
    editor->show();
}

void frmMain::openRepeaterEditor()
{
    auto *editor = new frmRelais(m_ctx.store, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &frmRelais::repeaterAdded, this, &frmMain::reloadRepeaters);
    connect(editor, &frmRelais::repeaterUpdated, this, &frmMain::reloadRepeaters);
    connect(editor, &frmRelais::repeaterDeleted, this, &frmMain::repeaterRemoved);
    editor->setWindowModality(Qt::ApplicationModal);
    editor->show();
}

QVector<frmMain::RepeaterView> frmMain::captureRepeaterViews() const
{
    QVector<RepeaterView> views(m_scene->repeaterCount() + 1);
    for (int i = 1; i < views.size(); ++i) {
        RepeaterView &v = views[i];
        if (i >= m_scene->FreqE.size() || !m_scene->FreqE[i])
            continue;
        v.present = true;
        v.active = m_scene->isActive(i);
        v.first = m_scene->FreqE[i]->text();
        v.second = m_scene->FreqR[i]->text();
        v.colour = m_scene->FreqE[i]->color();
        if (m_scene->Temps[i] && m_scene->Temps[i]->isVisible()) {
            v.countdown = m_scene->Temps[i]->text();
            v.countdownBack = m_scene->Temps[i]->backColor();
        }
    }
    return views;
}

void frmMain::rebuildRepeaters(const QVector<RepeaterView> &views)
{
    const QVector<Repeater> list = m_ctx.store.repeaters();
    m_ctx.routes.setRepeaters(list);
    m_scene->setRepeaters(list, m_ctx.state.CouleurRepos());
    // Repeaters still on a displayed route keep their icon, texts and countdown.
    for (int i = 1; i <= list.size() && i < views.size(); ++i) {
        const RepeaterView &v = views[i];
        if (!v.present || !m_ctx.routes.RouteAffichee.value(i))
            continue;
        m_scene->setActive(i, v.active);
        m_scene->setLabels(i, v.first, v.second, bgrFromColor(v.colour));
        if (!v.countdown.isEmpty())
            m_scene->setCountdown(i, v.countdown, v.countdownBack);
    }
    m_routines->TraceFaisceaux();
    m_routines->TraceChemins(m_ctx.routes.CheminsActifs);
}

void frmMain::reloadRepeaters()
{
    rebuildRepeaters(captureRepeaterViews());
}

void frmMain::repeaterRemoved(int numero)
{
    m_ctx.routes.repeaterDeleted(numero);
    // Every following repeater moved one number down: what the map shows of it moves too.
    QVector<RepeaterView> views = captureRepeaterViews();
    if (numero < views.size())
        views.remove(numero);
    rebuildRepeaters(views);
}
