#include "frmrelai.h"

#include "editorsupport.h"

#include "core/repeater.h"
#include "store/schema.h"
#include "store/store.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardItemModel>
#include <QTableView>

using namespace EditorSupport;

namespace {

namespace Field = Schema::CommandField;

// The grid's captions, one column per field of a command table.
constexpr const char *Captions[] = {"N°",   "Ligne 1", "Ligne 2", "Wav0",   "Wav1",
                                    "Wav2", "Wav3",    "Wav4",    "Chemin", "Relais"};
static_assert(std::size(Captions) == Field::Relais + 1);

} // namespace

frmRelai::frmRelai(Store &store, int repeater, QWidget *parent)
    : TableEditor(store, captions(Captions), parent),
      m_repeater(repeater)
{
    setObjectName(QStringLiteral("frmRelai"));
    setWindowTitle(QStringLiteral("Paramètres Relais"));
    chooseFile = [](QWidget *parent) { return QFileDialog::getOpenFileName(parent); };

    connect(m_model, &QStandardItemModel::itemChanged, this, &frmRelai::cellEdited);
    grdDataGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                 | QAbstractItemView::AnyKeyPressed);

    Command1 = new QPushButton(QStringLiteral("..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->setFixedWidth(28);
    Command1->hide();
    connect(Command1, &QPushButton::clicked, this, &frmRelai::pickFile);

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
    layOut(boxes, Command1);
    resize(900, 480);

    connect(grdDataGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                Command1->setVisible(current.isValid() && current.column() >= Field::Wav);
            });
    reload(1);
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
    m_loading = true;
    fill(m_store.commandRows(m_repeater, &error));
    m_loading = false;
    if (!setCurrentRow(current))
        Command1->hide();
    if (!error.isEmpty())
        dataError(this, error);
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
            cmdModif->setEnabled(!sameText(TextTx->text(), r->at(Field::Tx))
                                 || !sameText(TextRx->text(), r->at(Field::Rx)));
    } else {
        cmdAdd->setEnabled(false);
        cmdModif->setEnabled(false);
    }
}

void frmRelai::relRule()
{
    if (const QVariantList *r = row())
        cmdModif->setEnabled(!sameText(TextRel->text(), r->at(Field::Relais)));
}

void frmRelai::wavRule()
{
    const QVariantList *r = row();
    if (!r)
        return;
    bool same = true;
    for (int i = 0; i < 6; ++i)
        same = same && sameText(TextWav[i]->text(), r->at(Field::Wav + i));
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
    TextTx->setText(fieldText(r->at(Field::Tx)));
    TextRx->setText(fieldText(r->at(Field::Rx)));
    TextRel->setText(fieldText(r->at(Field::Relais)));
    for (int i = 0; i < 6; ++i)
        TextWav[i]->setText(fieldText(r->at(Field::Wav + i)));
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

void frmRelai::updateRow()
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
    if (n >= Schema::MaxCommands) {
        message(this, Schema::commandLimitText());
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
    if (!cell.isValid() || cell.column() < Field::Wav)
        return;
    const QString chosen = chooseFile ? chooseFile(this) : QString();
    if (chosen.isEmpty())
        return;
    // The bare file name: a sequence field holds Schema::SequenceLength characters at most.
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
