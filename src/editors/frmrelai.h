#pragma once

#include <QDialog>
#include <QVariantList>
#include <QVector>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class Store;
struct Command;

// Editor of one repeater's command table: a grid of the commands, nine boxes,
// and buttons to insert a command in front of the selected one, change one
// and delete one, the commands staying numbered 1, 2, 3 ...
class frmRelai : public QDialog
{
    Q_OBJECT
public:
    frmRelai(Store &store, int repeater, QWidget *parent = nullptr);

    int repeater() const { return m_repeater; }
    // Position (from 1) of the current row; 0 when there is none.
    int currentRow() const;

    // Asks for a file for the "..." button; an empty result means cancelled.
    // Replaceable so that tests need no file dialog.
    std::function<QString(QWidget *)> chooseFile;

    QLabel *datPrimaryRS = nullptr;   // data source caption "Record: n"
    QTableView *grdDataGrid = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *TextTx = nullptr;
    QLineEdit *TextRx = nullptr;
    QVector<QLineEdit *> TextWav;     // 0-4: wav, wav1 ... wav4; 5: chemin
    QLineEdit *TextRel = nullptr;
    QWidget *picButtons = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdModif = nullptr;
    QPushButton *CmdEffacer = nullptr;
    QPushButton *cmdClose = nullptr;
    QPushButton *Command1 = nullptr;  // "..." file picker

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void reload(int current);
    void setCurrentRow(int position);
    void anyEdit();
    void txRxRule();
    void relRule();
    void wavRule();
    void rowClick();
    void clear();
    void update();
    void add();
    void remove();
    void pickFile();
    void cellEdited(QStandardItem *item);
    Command boxes() const;
    const QVariantList *row() const;

    Store &m_store;
    int m_repeater;
    QStandardItemModel *m_model = nullptr;
    QVector<QVariantList> m_rows;
    bool m_loading = false;
};
