#include "tableeditor.h"

#include "editorsupport.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

TableEditor::TableEditor(Store &store, const QStringList &columns, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    m_model = new QStandardItemModel(0, int(columns.size()), this);
    m_model->setHorizontalHeaderLabels(columns);
    grdDataGrid = new QTableView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->setModel(m_model);
    grdDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(20);
    grdDataGrid->viewport()->installEventFilter(this);

    datPrimaryRS = new QLabel(QStringLiteral("Record: "), this);
    datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    datPrimaryRS->setFrameShape(QFrame::Panel);
    datPrimaryRS->setFrameShadow(QFrame::Sunken);

    Label1 = new QLabel(QStringLiteral("Sélectionner une ligne pour la modifier"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

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
    connect(cmdAdd, &QPushButton::clicked, this, [this] { add(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { remove(); });
    connect(cmdModif, &QPushButton::clicked, this, [this] { updateRow(); });
    connect(CmdEffacer, &QPushButton::clicked, this, [this] { clear(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    connect(grdDataGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                datPrimaryRS->setText(QStringLiteral("Record: ")
                                      + (current.isValid() ? QString::number(current.row() + 1) : QString()));
            });
}

void TableEditor::layOut(QBoxLayout *boxes, QWidget *besideCaption)
{
    auto *caption = new QHBoxLayout;
    caption->addWidget(datPrimaryRS, 1);
    if (besideCaption)
        caption->addWidget(besideCaption);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grdDataGrid, 1);
    layout->addLayout(caption);
    layout->addWidget(Label1);
    layout->addLayout(boxes);
    layout->addWidget(picButtons);
}

int TableEditor::currentRow() const
{
    const QModelIndex i = grdDataGrid->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

const QVariantList *TableEditor::row() const
{
    const int p = currentRow();
    return p >= 1 && p <= m_rows.size() ? &m_rows[p - 1] : nullptr;
}

void TableEditor::fill(const QVector<QVariantList> &rows)
{
    m_rows = rows;
    m_model->removeRows(0, m_model->rowCount());
    for (const QVariantList &r : m_rows) {
        QList<QStandardItem *> items;
        for (int c = 0; c < r.size(); ++c) {
            auto *item = new QStandardItem;
            item->setData(r[c], Qt::DisplayRole);
            // The number follows the position; only the texts are edited in cells.
            if (c == 0)
                item->setEditable(false);
            items << item;
        }
        m_model->appendRow(items);
    }
}

bool TableEditor::setCurrentRow(int position)
{
    if (position >= 1 && position <= m_rows.size()) {
        const QModelIndex i = m_model->index(position - 1, 0);
        grdDataGrid->setCurrentIndex(i);
        grdDataGrid->scrollTo(i);
        return true;
    }
    // Past the last row: no current row until the user picks one.
    grdDataGrid->selectionModel()->clear();
    datPrimaryRS->setText(QStringLiteral("Record: "));
    return false;
}

bool TableEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdDataGrid->viewport() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        rowClick();
    return QDialog::eventFilter(watched, event);
}

void TableEditor::closeEvent(QCloseEvent *event)
{
    EditorSupport::restoreArrow();
    QDialog::closeEvent(event);
}
