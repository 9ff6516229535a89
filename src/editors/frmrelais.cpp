#include "frmrelais.h"

#include "core/store.h"
#include "editors/editorsupport.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace EditorSupport;

namespace {
enum Field { FNumero = 0, FNom = 1, FDtmf = 2, FFreq = 3, FChemin = 8 };
}

frmRelais::frmRelais(Store &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("frmRelais"));
    setWindowTitle(QStringLiteral("Relais"));

    m_model = new QStandardItemModel(0, 9, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("N°"), QStringLiteral("Nom Relais"),
                                        QStringLiteral("N° Relais"), QStringLiteral("Fréquence"),
                                        QStringLiteral("Gauch"), QStringLiteral("Haut"), QStringLiteral("Lib-G"),
                                        QStringLiteral("Lib-H"), QStringLiteral("Faisceau")});
    grdDataGrid = new QTableView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->setModel(m_model);
    // Rows change only through the boxes: numbers and places must stay whole.
    grdDataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDataGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(20);
    grdDataGrid->viewport()->installEventFilter(this);

    datPrimaryRS = new QLabel(QStringLiteral("Record: "), this);
    datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    datPrimaryRS->setFrameShape(QFrame::Panel);
    datPrimaryRS->setFrameShadow(QFrame::Sunken);

    Label1 = new QLabel(QStringLiteral("Sélectionner une ligne pour la modifier"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto box = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        connect(e, &QLineEdit::textChanged, this, &frmRelais::editRule);
        return e;
    };
    TextNom = box("TextNom");
    TextDTMF = box("TextDTMF");
    TextFreq = box("TextFreq");
    TextChem = box("TextChem");
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(TextNom, 3);
    boxes->addWidget(TextDTMF, 1);
    boxes->addWidget(TextFreq, 2);
    boxes->addWidget(TextChem, 2);

    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    auto *buttons = new QHBoxLayout(picButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto button = [&](QPushButton *&b, const char *name, const QString &caption, bool enabled) {
        b = new QPushButton(caption, picButtons);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setEnabled(enabled);
        buttons->addWidget(b);
    };
    button(cmdAdd, "cmdAdd", QStringLiteral("&Ajouter"), false);
    button(cmdDelete, "cmdDelete", QStringLiteral("&Supprimer"), false);
    button(cmdModif, "cmdModif", QStringLiteral("&Mettre à jour"), false);
    button(CmdEffacer, "CmdEffacer", QStringLiteral("&Effacer"), false);
    button(cmdClose, "cmdClose", QStringLiteral("&Fermer"), true);
    connect(cmdAdd, &QPushButton::clicked, this, &frmRelais::add);
    connect(cmdDelete, &QPushButton::clicked, this, &frmRelais::remove);
    connect(cmdModif, &QPushButton::clicked, this, &frmRelais::update);
    connect(CmdEffacer, &QPushButton::clicked, this, &frmRelais::clear);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grdDataGrid, 1);
    layout->addWidget(datPrimaryRS);
    layout->addWidget(Label1);
    layout->addLayout(boxes);
    layout->addWidget(picButtons);
    resize(760, 480);

    connect(grdDataGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                datPrimaryRS->setText(QStringLiteral("Record: ")
                                      + (current.isValid() ? QString::number(current.row() + 1) : QString()));
            });
    reload(1);
}

bool frmRelais::CreeTable(const QString &nomtable, QString *error)
{
    return m_store.CreeTable(nomtable, error);
}

int frmRelais::currentRow() const
{
    const QModelIndex i = grdDataGrid->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

const QVariantList *frmRelais::row() const
{
    const int p = currentRow();
    return p >= 1 && p <= m_rows.size() ? &m_rows[p - 1] : nullptr;
}

void frmRelais::reload(int current)
{
    QString error;
    m_rows = m_store.repeaterRows(&error);
    m_model->removeRows(0, m_model->rowCount());
    for (const QVariantList &r : m_rows) {
        QList<QStandardItem *> items;
        for (const QVariant &v : r) {
            auto *item = new QStandardItem;
            item->setData(v, Qt::DisplayRole);
            items << item;
        }
        m_model->appendRow(items);
    }
    setCurrentRow(current);
    if (!error.isEmpty())
        dataError(this, error);
}

void frmRelais::setCurrentRow(int position)
{
    if (position >= 1 && position <= m_rows.size()) {
        const QModelIndex i = m_model->index(position - 1, 0);
        grdDataGrid->setCurrentIndex(i);
        grdDataGrid->scrollTo(i);
    } else {
        // Past the last row: no current row until the user picks one.
        grdDataGrid->selectionModel()->clear();
        datPrimaryRS->setText(QStringLiteral("Record: "));
    }
}

bool frmRelais::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdDataGrid->viewport() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        rowClick();
    return QDialog::eventFilter(watched, event);
}

void frmRelais::closeEvent(QCloseEvent *event)
{
    restoreArrow();
    QDialog::closeEvent(event);
}

void frmRelais::editRule()
{
    const bool nom = !TextNom->text().isEmpty();
    const bool freq = !TextFreq->text().isEmpty();
    const bool dtmf = !TextDTMF->text().isEmpty();
    CmdEffacer->setEnabled(nom || freq || dtmf);
    if (nom && freq && dtmf) {
        cmdAdd->setEnabled(true);
        if (const QVariantList *r = row()) {
            const bool same = sameText(TextNom->text(), r->at(FNom)) && sameText(TextFreq->text(), r->at(FFreq))
                              && sameText(TextChem->text(), r->at(FChemin))
                              && sameText(TextDTMF->text(), r->at(FDtmf));
            cmdModif->setEnabled(!same);
        }
    } else {
        cmdAdd->setEnabled(false);
        cmdModif->setEnabled(false);
    }
}

void frmRelais::rowClick()
{
    for (QLineEdit *e : {TextNom, TextDTMF, TextFreq, TextChem})
        e->clear();
    const QVariantList *r = row();
    if (!r)
        return;
    TextNom->setText(fieldText(r->at(FNom)));
    TextFreq->setText(fieldText(r->at(FFreq)));
    TextDTMF->setText(fieldText(r->at(FDtmf)));
    TextChem->setText(fieldText(r->at(FChemin)));
    CmdEffacer->setEnabled(true);
    cmdAdd->setEnabled(true);
    cmdDelete->setEnabled(true);
}

void frmRelais::clear()
{
    for (QLineEdit *e : {TextNom, TextDTMF, TextFreq, TextChem})
        e->clear();
    for (QPushButton *b : {CmdEffacer, cmdAdd, cmdModif, cmdDelete})
        b->setEnabled(false);
}

static bool required(const QLineEdit *a, const QLineEdit *b, const QLineEdit *c)
{
    return !a->text().isEmpty() && !b->text().isEmpty() && !c->text().isEmpty();
}

void frmRelais::update()
{
    if (!required(TextNom, TextFreq, TextDTMF)) {
        message(this, QStringLiteral("Les champs Nom et Fréquence ne peuvent être vide"));
        return;
    }
    // Without a current row there is nothing to write into.
    const int p = currentRow();
    if (p >= 1) {
        QString error;
        if (!m_store.updateRepeater(p, TextNom->text(), TextDTMF->text(), TextFreq->text(), TextChem->text(),
                                    &error)) {
            message(this, error);
            return;
        }
        reload(p);
        emit repeaterUpdated(p);
    }
    clear();
}

void frmRelais::add()
{
    if (!required(TextNom, TextFreq, TextDTMF)) {
        message(this, QStringLiteral("Les champs Nom et Fréquence ne peuvent être vide"));
        return;
    }
    const int n = int(m_rows.size());
    setCurrentRow(n);
    if (n >= Store::MaxRepeaters) {
        message(this, QStringLiteral("Le nombre de relais est limité à 30"));
        return;
    }
    grdDataGrid->setFocus();
    QString error;
    const int k = m_store.addRepeater(TextNom->text(), TextDTMF->text(), TextFreq->text(), TextChem->text(), &error);
    if (k == 0) {
        message(this, error);
        return;
    }
    // The grid's selection goes down to the new row.
    reload(k);
    emit repeaterAdded(k);
    clear();
}

void frmRelais::remove()
{
    if (!confirm(this, QStringLiteral("Relais")))
        return;
    const int n = currentRow();
    if (n < 1)
        return;
    QString error;
    if (!m_store.deleteRepeater(n, &error)) {
        message(this, error);
        return;
    }
    reload(0);
    emit repeaterDeleted(n);
}
