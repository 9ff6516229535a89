#include "frmrelai.h"

#include "core/repeater.h"
#include "core/store.h"
#include "editors/editorsupport.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
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
// Field positions of a command row: 0 N°, 1 Tx, 2 Rx, 3-7 wav..wav4, 8 chemin, 9 relais.
enum Field { FNumero = 0, FTx = 1, FRx = 2, FWav = 3, FRelais = 9 };
}

frmRelai::frmRelai(Store &store, int repeater, QWidget *parent)
    : QDialog(parent), m_store(store), m_repeater(repeater)
{
    setObjectName(QStringLiteral("frmRelai"));
    setWindowTitle(QStringLiteral("Paramètres Relais"));
    chooseFile = [](QWidget *parent) { return QFileDialog::getOpenFileName(parent); };

    m_model = new QStandardItemModel(0, 10, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("N°"), QStringLiteral("Ligne 1"), QStringLiteral("Ligne 2"),
                                        QStringLiteral("Wav0"), QStringLiteral("Wav1"), QStringLiteral("Wav2"),
                                        QStringLiteral("Wav3"), QStringLiteral("Wav4"), QStringLiteral("Chemin"),
                                        QStringLiteral("Relais")});
    connect(m_model, &QStandardItemModel::itemChanged, this, &frmRelai::cellEdited);
    grdDataGrid = new QTableView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->setModel(m_model);
    grdDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                 | QAbstractItemView::AnyKeyPressed);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(20);
    grdDataGrid->viewport()->installEventFilter(this);

    datPrimaryRS = new QLabel(QStringLiteral("Record: "), this);
    datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    datPrimaryRS->setFrameShape(QFrame::Panel);
    datPrimaryRS->setFrameShadow(QFrame::Sunken);
    Command1 = new QPushButton(QStringLiteral("..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->setFixedWidth(28);
    Command1->hide();
    connect(Command1, &QPushButton::clicked, this, &frmRelai::pickFile);
    auto *source = new QHBoxLayout;
    source->addWidget(datPrimaryRS, 1);
    source->addWidget(Command1);

    Label1 = new QLabel(QStringLiteral("Sélectionner une ligne pour la modifier"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto box = [this](const QString &name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        connect(e, &QLineEdit::textChanged, this, &frmRelai::anyEdit);
        return e;
    };
    TextTx = box(QStringLiteral("TextTx"));
    TextRx = box(QStringLiteral("TextRx"));
    for (int i = 0; i < 6; ++i)
        TextWav.append(box(QStringLiteral("TextWav%1").arg(i)));
    TextRel = box(QStringLiteral("TextRel"));
    connect(TextTx, &QLineEdit::textChanged, this, &frmRelai::txRxRule);
    connect(TextRx, &QLineEdit::textChanged, this, &frmRelai::txRxRule);
    connect(TextRel, &QLineEdit::textChanged, this, &frmRelai::relRule);
    for (QLineEdit *e : TextWav)
        connect(e, &QLineEdit::textChanged, this, &frmRelai::wavRule);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(TextTx, 3);
    boxes->addWidget(TextRx, 3);
    for (QLineEdit *e : TextWav)
        boxes->addWidget(e, 2);
    boxes->addWidget(TextRel, 2);

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
    connect(cmdAdd, &QPushButton::clicked, this, &frmRelai::add);
    connect(cmdDelete, &QPushButton::clicked, this, &frmRelai::remove);
    connect(cmdModif, &QPushButton::clicked, this, &frmRelai::update);
    connect(CmdEffacer, &QPushButton::clicked, this, &frmRelai::clear);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grdDataGrid, 1);
    layout->addLayout(source);
    layout->addWidget(Label1);
    layout->addLayout(boxes);
    layout->addWidget(picButtons);
    resize(900, 480);

    connect(grdDataGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                datPrimaryRS->setText(QStringLiteral("Record: ")
                                      + (current.isValid() ? QString::number(current.row() + 1) : QString()));
                Command1->setVisible(current.isValid() && current.column() >= 3);
            });
    reload(1);
}

int frmRelai::currentRow() const
{
    const QModelIndex i = grdDataGrid->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

const QVariantList *frmRelai::row() const
{
    const int p = currentRow();
    return p >= 1 && p <= m_rows.size() ? &m_rows[p - 1] : nullptr;
}

void frmRelai::showEvent(QShowEvent *event)
{
    // The table is read afresh each time the window opens.
    if (!event->spontaneous())
        reload(1);
    QDialog::showEvent(event);
}

void frmRelai::reload(int current)
{
    QString error;
    m_rows = m_store.commandRows(m_repeater, &error);
    m_loading = true;
    m_model->removeRows(0, m_model->rowCount());
    for (const QVariantList &r : m_rows) {
        QList<QStandardItem *> items;
        for (int c = 0; c < r.size(); ++c) {
            auto *item = new QStandardItem;
            item->setData(r[c], Qt::DisplayRole);
            // The number follows the position; only the texts are edited in cells.
            if (c == FNumero)
                item->setEditable(false);
            items << item;
        }
        m_model->appendRow(items);
    }
    m_loading = false;
    setCurrentRow(current);
    if (!error.isEmpty())
        dataError(this, error);
}

void frmRelai::setCurrentRow(int position)
{
    if (position >= 1 && position <= m_rows.size()) {
        const QModelIndex i = m_model->index(position - 1, 0);
        grdDataGrid->setCurrentIndex(i);
        grdDataGrid->scrollTo(i);
    } else {
        grdDataGrid->selectionModel()->clear();
        datPrimaryRS->setText(QStringLiteral("Record: "));
        Command1->hide();
    }
}

bool frmRelai::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdDataGrid->viewport() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        rowClick();
    return QDialog::eventFilter(watched, event);
}

void frmRelai::closeEvent(QCloseEvent *event)
{
    restoreArrow();
    QDialog::closeEvent(event);
}

void frmRelai::anyEdit()
{
    bool any = false;
    for (const QLineEdit *e : {TextTx, TextRx, TextRel})
        any = any || !e->text().isEmpty();
    for (const QLineEdit *e : TextWav)
        any = any || !e->text().isEmpty();
    CmdEffacer->setEnabled(any);
}

void frmRelai::txRxRule()
{
    if (!TextTx->text().isEmpty() && !TextRx->text().isEmpty()) {
        cmdAdd->setEnabled(true);
        if (const QVariantList *r = row())
            cmdModif->setEnabled(!sameText(TextTx->text(), r->at(FTx)) || !sameText(TextRx->text(), r->at(FRx)));
    } else {
        cmdAdd->setEnabled(false);
        cmdModif->setEnabled(false);
    }
}

void frmRelai::relRule()
{
    if (const QVariantList *r = row())
        cmdModif->setEnabled(!sameText(TextRel->text(), r->at(FRelais)));
}

void frmRelai::wavRule()
{
    const QVariantList *r = row();
    if (!r)
        return;
    bool same = true;
    for (int i = 0; i < 6; ++i)
        same = same && sameText(TextWav[i]->text(), r->at(FWav + i));
    cmdModif->setEnabled(!same);
}

void frmRelai::rowClick()
{
    TextTx->clear();
    TextRx->clear();
    TextRel->clear();
    for (QLineEdit *e : TextWav)
        e->clear();
    const QVariantList *r = row();
    if (!r)
        return;
    TextTx->setText(fieldText(r->at(FTx)));
    TextRx->setText(fieldText(r->at(FRx)));
    TextRel->setText(fieldText(r->at(FRelais)));
    for (int i = 0; i < 6; ++i)
        TextWav[i]->setText(fieldText(r->at(FWav + i)));
    CmdEffacer->setEnabled(true);
    cmdAdd->setEnabled(true);
    cmdDelete->setEnabled(true);
}

void frmRelai::clear()
{
    TextTx->clear();
    TextRx->clear();
    TextRel->clear();
    for (QLineEdit *e : TextWav)
        e->clear();
    for (QPushButton *b : {CmdEffacer, cmdAdd, cmdModif, cmdDelete})
        b->setEnabled(false);
}

Command frmRelai::boxes() const
{
    Command c;
    c.tx = TextTx->text();
    c.rx = TextRx->text();
    for (int i = 0; i < 5; ++i)
        c.wav[i] = TextWav[i]->text();
    c.chemin = TextWav[5]->text();
    c.relais = TextRel->text();
    return c;
}

void frmRelai::update()
{
    if (TextRx->text().isEmpty() || TextTx->text().isEmpty()) {
        message(this, QStringLiteral("Les champs Tx et Rx ne peuvent être vide"));
        return;
    }
    const int p = currentRow();
    if (p >= 1) {
        QString error;
        if (!m_store.updateCommand(m_repeater, p, boxes(), &error)) {
            message(this, error);
            return;
        }
        reload(p);
    }
    clear();
}

void frmRelai::add()
{
    if (TextRx->text().isEmpty() || TextTx->text().isEmpty()) {
        message(this, QStringLiteral("Les champs Tx et Rx ne peuvent être vide"));
        return;
    }
    const int p = currentRow();
    const int n = int(m_rows.size());
    if (n >= Store::MaxCommands) {
        message(this, QStringLiteral("Le nombre de commande par relais est limité à 30"));
        return;
    }
    grdDataGrid->setFocus();
    QString error;
    const int k = m_store.insertCommand(m_repeater, p, boxes(), &error);
    if (k == 0) {
        message(this, error);
        return;
    }
    // The selection goes one row down: to the command that was selected when
    // the new one went in front of it, else to the new last one.
    reload(k == p ? p + 1 : k);
    clear();
}

void frmRelai::remove()
{
    if (!confirm(this, QStringLiteral("Paramètres Relais")))
        return;
    const int n = currentRow();
    if (n < 1) {
        message(this, QStringLiteral("Aucune commande n'est sélectionnée."));
        return;
    }
    QString error;
    if (!m_store.deleteCommand(m_repeater, n, &error)) {
        message(this, error);
        return;
    }
    reload(0);
    clear();
}

void frmRelai::pickFile()
{
    const QModelIndex cell = grdDataGrid->currentIndex();
    if (!cell.isValid() || cell.column() < 3)
        return;
    const QString chosen = chooseFile ? chooseFile(this) : QString();
    if (chosen.isEmpty())
        return;
    // The bare file name: the sequence fields hold 24 characters at most.
    m_model->itemFromIndex(cell)->setText(QFileInfo(chosen).fileName());
}

void frmRelai::cellEdited(QStandardItem *item)
{
    if (m_loading)
        return;
    const int position = item->row() + 1;
    const int field = item->column();
    QString error;
    if (!m_store.writeCommandField(m_repeater, position, field, item->text(), &error)) {
        // Not from inside the model's own signal: the grid is refilled after.
        const QModelIndex keep = grdDataGrid->currentIndex();
        QMetaObject::invokeMethod(
            this,
            [this, error, keep] {
                dataError(this, error);
                reload(keep.row() + 1);
                if (keep.isValid())
                    grdDataGrid->setCurrentIndex(m_model->index(keep.row(), keep.column()));
            },
            Qt::QueuedConnection);
        return;
    }
    m_rows[position - 1][field] = item->text();
}
