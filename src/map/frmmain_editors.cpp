#include "frmmain.h"

#include "core/appcontext.h"
#include "map/maproutines.h"
#include "map/mapscene.h"

#include <QMessageBox>

void frmMain::openCommandEditor(int index)
{
    m_ctx.state.IndexBouton = index;
    QMessageBox box(QMessageBox::NoIcon,
                    QStringLiteral("Paramètres ") + m_ctx.state.NomCourant + m_ctx.state.FreqCourante, QString(),
                    QMessageBox::Close, this);
    box.exec();
}

void frmMain::openRepeaterEditor()
{
}

void frmMain::reloadRepeaters()
{
    m_scene->setRepeaters(m_ctx.store.repeaters(), m_ctx.state.CouleurRepos);
    m_routines->TraceFaisceaux();
    m_routines->TraceChemins(m_ctx.state.CheminsActifs);
}
