#include "frmmain.h"

#include "command/relai.h"
#include "core/appcontext.h"
#include "map/countdowns.h"
#include "map/keypad.h"

#include <QPushButton>

void frmMain::setupCommands()
{
    auto *countdowns = new Countdowns(m_ctx, *m_routines, *m_scene, this);
    countdowns->setObjectName(QStringLiteral("countdowns"));
    new Keypad(m_ctx, FVocal, this, this);
    connect(CmdEfface, &QPushButton::clicked, this, [this, countdowns] {
        countdowns->Efface();
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
    auto *window = new Relai(m_ctx, *m_routines, *m_scene, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->show();
}
