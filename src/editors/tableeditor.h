#pragma once

#include <QDialog>
#include <QVariantList>
#include <QVector>

class QBoxLayout;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class Store;

// What the two table editors share: the grid of the table's rows with its
// "Record: n" caption, the hint line, the buttons and the row bookkeeping.
class TableEditor : public QDialog
{
    Q_OBJECT
public:
    // Position (from 1) of the current row; 0 when there is none.
    int currentRow() const;

protected:
    TableEditor(Store &store, const QStringList &columns, QWidget *parent);

    // Lays the window out: grid, caption row (with `besideCaption`), hint,
    // `boxes`, buttons.
    void layOut(QBoxLayout *boxes, QWidget *besideCaption = nullptr);
    // Shows `rows` in the grid; the number column is not edited in a cell.
    void fill(const QVector<QVariantList> &rows);
    // Makes row `position` current; false (and no current row) past the last row.
    bool setCurrentRow(int position);
    const QVariantList *row() const;

    virtual void rowClick() = 0;
    virtual void add() = 0;
    virtual void remove() = 0;
    virtual void updateRow() = 0;  // "Mettre à jour": the boxes into the current row
    virtual void clear() = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // The controls both editors share, under their old names; they are found
    // by these object names too.
    QLabel *datPrimaryRS = nullptr;   // data source caption "Record: n"
    QTableView *grdDataGrid = nullptr;
    QLabel *Label1 = nullptr;
    QWidget *picButtons = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdModif = nullptr;
    QPushButton *CmdEffacer = nullptr;
    QPushButton *cmdClose = nullptr;

    Store &m_store;
    QStandardItemModel *m_model = nullptr;
    QVector<QVariantList> m_rows;
};
