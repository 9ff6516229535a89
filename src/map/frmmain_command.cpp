#include "frmmain.h"

#include "core/appcontext.h"

#include <QMessageBox>

void frmMain::setupCommands()
{
}

void frmMain::openCommandWindow(int index)
{
    m_ctx.state.IndexBouton = index;
    QMessageBox box(QMessageBox::NoIcon, m_ctx.state.NomCourant + QLatin1Char(' ') + m_ctx.state.FreqCourante,
                    QString(), QMessageBox::Close, this);
    box.exec();
}
