#pragma once

#include <QDialog>
#include <QVariantList>
#include <QVector>

class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class Store;

// Editor of table Relais: the whole table in a grid, four boxes and the
// buttons to add, update and delete a repeater. Deleting renumbers the
// following repeaters and their command tables.
class frmRelais : public QDialog
{
    Q_OBJECT
public:
    explicit frmRelais(Store &store, QWidget *parent = nullptr);

    // Creates the empty command table `nomtable` in the store.
    bool CreeTable(const QString &nomtable, QString *error = nullptr);

    // Position (from 1) of the current row; 0 when there is none.
    int currentRow() const;

    QLabel *datPrimaryRS = nullptr;   // data source caption "Record: n"
    QTableView *grdDataGrid = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *TextNom = nullptr;
    QLineEdit *TextDTMF = nullptr;
    QLineEdit *TextFreq = nullptr;
    QLineEdit *TextChem = nullptr;
    QWidget *picButtons = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdModif = nullptr;
    QPushButton *CmdEffacer = nullptr;
    QPushButton *cmdClose = nullptr;

signals:
    void repeaterAdded(int numero);
    void repeaterUpdated(int numero);
    void repeaterDeleted(int numero);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void reload(int current);
    void setCurrentRow(int position);
    void editRule();
    void rowClick();
    void clear();
    void update();
    void add();
    void remove();
    const QVariantList *row() const;

    Store &m_store;
    QStandardItemModel *m_model = nullptr;
    QVector<QVariantList> m_rows;
};
