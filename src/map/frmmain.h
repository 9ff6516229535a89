#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QVector>

#include <functional>

struct AppContext;
class MapInteraction;
class MapRoutines;
class MapScene;
class MapView;
class QLabel;
class TxIndicator;
class QPushButton;
class QToolBar;
class QToolButton;

// The main window: the map with its repeaters, the zoom buttons, "Efface",
// the DTMF keypad, menus, tool bar and status bar.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(AppContext &ctx, QWidget *parent = nullptr);
    ~frmMain() override;

    // Reads the settings row, the map picture and the repeaters of the working
    // folder and draws the beams. Problems are collected for showLoadMessages().
    void Load();
    // Shows what went wrong at load, once the window is on screen.
    void showLoadMessages();
    QStringList loadMessages() const { return m_loadMessages; }

    AppContext &context() { return m_ctx; }
    MapScene *scene() const { return m_scene; }
    MapView *view() const { return m_view; }
    MapRoutines *routines() const { return m_routines; }

    // Opens the command window of repeater `index` (a plain click on its icon).
    void openCommandWindow(int index);
    // Opens the command table editor of repeater `index` (Shift + right click).
    void openCommandEditor(int index);
    // Opens the repeater table editor ("&Relais...").
    void openRepeaterEditor();
    // Places the repeaters again from table Relais after the table changed.
    void reloadRepeaters();

    // "Importer une base relai.mdb...": replaces relai.db by an old network
    // file, the old base kept beside it.
    void importMdb();
    // Asks for the file to import; the real file dialog unless a test answers.
    std::function<QString()> chooseMdb;

    // Text of the status bar panel "etat".
    void setEtat(const QString &text);
    QString etat() const;

    // The controls of the band above the map.
    QToolButton *CmdZoomPlus = nullptr;
    QToolButton *CmdZoomMoins = nullptr;
    QToolButton *CmdZoom = nullptr;
    QToolButton *CmdZoomFenetre = nullptr;
    QToolButton *CmdZoomPrec = nullptr;
    QToolButton *CmdZoomTout = nullptr;
    QPushButton *CmdEfface = nullptr;
    QVector<QPushButton *> FVocal;
    QToolBar *tbToolBar = nullptr;

    // Status bar panels.
    QLabel *panelEtat = nullptr;
    QLabel *panelDate = nullptr;
    QLabel *panelHeure = nullptr;
    QLabel *panelTemps = nullptr;
    TxIndicator *panelEmission = nullptr;   // transmitter keyed, seconds elapsed

private:
    void buildBand();
    void buildStatusBar();
    void ChargeParam();
    // A folder with relai.mdb and no relai.db: offers to import it.
    void offerFirstImport();

    void createMenus();
    class MainMenus *m_menus = nullptr;

    // Zoom, pan and dragging on the map.
    void setupZoom();
    void zoomLoaded();
    MapInteraction *m_interaction = nullptr;

    // The route state drawn on the scene, the countdowns and the keypad.
    void setupCommands();

    // After a table change.
    struct RepeaterView;  // what the map shows of one repeater beyond the table
    QVector<RepeaterView> captureRepeaterViews() const;
    void rebuildRepeaters(const QVector<RepeaterView> &views);
    void repeaterRemoved(int numero);

    AppContext &m_ctx;
    MapScene *m_scene = nullptr;
    MapView *m_view = nullptr;
    MapRoutines *m_routines = nullptr;
    QStringList m_loadMessages;
};
