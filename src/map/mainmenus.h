#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class frmMain;
class HelpWindow;
class QAction;

// The main window's menu bar, tool bar and their handlers: colours, view
// toggles, help, and the small dialogs. Created by frmMain::createMenus().
class MainMenus : public QObject
{
    Q_OBJECT
public:
    explicit MainMenus(frmMain &main);

    enum class Colour { Actif, Repos, Ligne, Faisceau };

    // Asks for a colour, starting from `initial`; no value on Cancel. The real
    // colour dialog unless a test answers in its place.
    using ColourDialog = std::function<std::optional<QColor>(const QColor &initial, const QString &title)>;
    ColourDialog colourDialog;

    // Where the help contents live; a help that cannot be read gives the
    // missing-help message.
    QString helpSource = QStringLiteral("qrc:/resources/help/index.html");

    void chooseColour(Colour which);
    void showContents();     // "&Sommaire..." and the tool bar's "Aide"
    void contextHelp();      // "&Aide sur...": What's This mode
    void openPortDialog();   // "&Port"
    void openTempo();        // "&Tempo Chemin..."
    void openAbout();        // "&A Propos..."
    void startMonitor();     // "&Moniteur"
    void toolbarClicked(QAction *button);

    HelpWindow *helpWindow() const;

private:
    void buildMenuBar();
    void buildToolBar();
    void describeControls();
    QAction *addAction(QObject *container, const char *name, const QString &text);

    frmMain &m_main;
    QPointer<HelpWindow> m_help;
};
