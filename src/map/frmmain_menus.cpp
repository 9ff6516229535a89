#include "frmmain.h"

#include "dialogs/mainmenus.h"

void frmMain::createMenus()
{
    m_menus = new MainMenus(*this);
}
