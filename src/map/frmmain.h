#pragma once

#include "core/settings.h"

#include <QMainWindow>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

class Configuration;
class JournalStore;
class MainMenus;
class MapInteraction;
class MapRoutines;
class MapScene;
class MapView;
class QCloseEvent;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class RouteState;
class SharedState;
class Store;
class Transmitter;
class TxIndicator;

// The main window: the map with its repeaters, the zoom buttons, "Efface",
// the DTMF keypad, menus, tool bar and status bar.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // `journal` (may be null) is shown by "Journal de trafic".
    frmMain(Store &store, Configuration &config, SharedState &state, RouteState &routes, Transmitter *transmitter,
            JournalStore *journal = nullptr, QWidget *parent = nullptr);
    ~frmMain() override;

    // Reads the settings row, the map picture and the repeaters of the working
    // folder and draws the beams. Problems are collected for showLoadMessages().
    void Load();
    // Shows what went wrong at load, once the window is on screen.
    void showLoadMessages();
    QStringList loadMessages() const { return m_loadMessages; }

    MapScene *scene() const { return m_scene; }
    MapView *view() const { return picture2; }
    MapRoutines *routines() const { return m_routines; }

    // Opens the command window of repeater `index`, the one last clicked (a
    // plain click on its icon).
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
    void setStatusText(const QString &text);
    QString statusText() const;
    // A passing message in the status bar's own message panel, beside "etat"
    // and never over it; cleared after `timeoutMs` when given.
    void showStatusMessage(const QString &text, int timeoutMs = 0);
    QString statusMessage() const;
    // The hint an empty network shows on the map, null when it is hidden.
    QWidget *emptyNetworkHint() const;

protected:
    // The transmitter is released before the window goes, whatever closes it.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildBand();
    void buildStatusBar();
    // Keys of the map (+, -) and of the program (Ctrl+Q).
    void setupKeys();
    // Shows how to start when the network has no repeater, hides it otherwise.
    void updateEmptyHint();
    void describeControls();
    void ChargeParam();
    // A folder with relai.mdb and no relai.db: offers to import it.
    void offerFirstImport();

    // Zoom, pan and dragging on the map.
    void setupZoom();
    // The route state drawn on the scene, the countdowns and the keypad.
    void setupCommands();
    // The line colours after a load or the colour menu; the labels follow the route state.
    void applyColours(std::optional<ColourChoice> chosen);
    void CmdEfface_Click();
    void repeaterRemoved(int numero);

    Store &m_store;
    Configuration &m_config;
    SharedState &m_state;
    RouteState &m_routes;
    Transmitter *m_transmitter;

    MapScene *m_scene = nullptr;
    MapView *picture2 = nullptr;
    MapRoutines *m_routines = nullptr;
    MainMenus *m_menus = nullptr;
    MapInteraction *m_interaction = nullptr;

    // The controls of the band above the map.
    QToolButton *CmdZoomPlus = nullptr;
    QToolButton *CmdZoomMoins = nullptr;
    QToolButton *CmdZoom = nullptr;
    QToolButton *CmdZoomFenetre = nullptr;
    QToolButton *CmdZoomPrec = nullptr;
    QToolButton *CmdZoomTout = nullptr;
    QPushButton *CmdEfface = nullptr;
    QVector<QPushButton *> FVocal;
    // Steps every repeater's countdown.
    QTimer *Timer2 = nullptr;

    // Status bar panels.
    QLabel *etat = nullptr;
    QLabel *messagePanel = nullptr;
    QTimer *messageTimer = nullptr;
    QLabel *emptyHint = nullptr;
    QLabel *datePanel = nullptr;
    QLabel *timePanel = nullptr;
    QLabel *temps = nullptr;
    TxIndicator *transmitPanel = nullptr;   // transmitter keyed, seconds elapsed

    QStringList m_loadMessages;
    // A missing map picture is told once, not after every import.
    bool m_mapMissingTold = false;
};
