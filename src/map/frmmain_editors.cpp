#include "frmmain.h"

#include "core/appcontext.h"
#include "editors/frmrelai.h"
#include "editors/frmrelais.h"
#include "map/maplabel.h"
#include "map/maproutines.h"
#include "map/mapscene.h"

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
    m_scene->setRepeaters(list, m_ctx.state.CouleurRepos);
    // Repeaters still on a displayed route keep their icon, texts and countdown.
    for (int i = 1; i <= list.size() && i < views.size(); ++i) {
        const RepeaterView &v = views[i];
        if (!v.present || !m_ctx.routes.RouteAffichee.value(i))
            continue;
        m_scene->setActive(i, v.active);
        m_scene->FreqE[i]->setText(v.first);
        m_scene->FreqR[i]->setText(v.second);
        m_scene->FreqE[i]->setColor(v.colour);
        m_scene->FreqR[i]->setColor(v.colour);
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
