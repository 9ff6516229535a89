#pragma once

#include "core/settings.h"
#include "dialogs/journalwindow.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class Configuration;
class HelpWindow;
class QAction;
class QMainWindow;
class QToolBar;
class Transmitter;

// The main window's menu bar, tool bar and their handlers: colours, view
// toggles, help, and the small dialogs. Built on the window it is given;
// what belongs to the window itself is asked by signals.
class MainMenus : public QObject
{
    Q_OBJECT
public:
    // `transmitter` (may be null) keys the port dialog's PTT test.
    MainMenus(QMainWindow &window, Configuration &config, Transmitter *transmitter = nullptr,
              JournalStore *journal = nullptr);

    // Asks for a colour, starting from `initial`; no value on Cancel. The real
    // colour dialog unless a test answers in its place.
    using ColourDialog = std::function<std::optional<QColor>(const QColor &initial, const QString &title)>;
    ColourDialog colourDialog;

    // Where the help contents live; a help that cannot be read gives the
    // missing-help message.
    QString helpSource = QStringLiteral("qrc:/resources/help/index.html");


    // The port's flow control this session (0 none ... 3 XOn/RTS): the port
    // dialog opens on it; it is written for others, never read back.
    int handshaking() const { return m_handshaking; }

    void chooseColour(ColourChoice which);
    void showContents();     // "&Sommaire..." and the tool bar's "Aide"
    void contextHelp();      // "&Aide sur...": What's This mode
    void openPortDialog();   // "&Port"
    void openTempo();        // "&Tempo Chemin..."
    void openAbout();        // "&A Propos..."
    void startMonitor();     // "&Moniteur"
    void openJournal();      // "&Journal de trafic": modeless, one at a time
    JournalWindow *journalWindow() const { return m_journalWindow; }
    void toolbarClicked(QAction *button);

signals:
    void repeaterEditorAsked();   // "&Relais..." and the tool bar's "Propriétés"
    void importAsked();           // "&Importer une base relai.mdb..."
    void statusBarShown(bool shown);

private:
    void buildMenuBar();
    void buildToolBar();
    QAction *addAction(QObject *container, const char *name, const QString &text);

    QMainWindow &m_window;
    Configuration &m_config;
    QToolBar *tbToolBar = nullptr;
    QPointer<HelpWindow> m_help;
    Transmitter *m_transmitter = nullptr;
    JournalStore *m_journal = nullptr;
    QPointer<JournalWindow> m_journalWindow;
    int m_handshaking = 0;
};
