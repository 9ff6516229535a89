#include "frmmain.h"

#include <QMenuBar>
#include <QToolBar>

void frmMain::createMenus()
{
    QAction *quit = menuBar()->addAction(QStringLiteral("&Quitter"));
    quit->setObjectName(QStringLiteral("Quit"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    tbToolBar = addToolBar(QStringLiteral("Barre d'outils"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
}
