#pragma once

#include "tableeditor.h"

#include <functional>

class QLineEdit;
class QStandardItem;
struct Command;

// Editor of one repeater's command table: a grid of the commands, nine boxes,
// and buttons to insert a command in front of the selected one, change one
// and delete one, the commands staying numbered 1, 2, 3 ...
class frmRelai : public TableEditor
{
    Q_OBJECT
public:
    frmRelai(Store &store, int repeater, QWidget *parent = nullptr);

    int repeater() const { return m_repeater; }

    // Asks for a file for the "..." button; an empty result means cancelled.
    // Replaceable so that tests need no file dialog.
    std::function<QString(QWidget *)> chooseFile;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void reload(int current);
    void anyEdit();
    void txRxRule();
    void relRule();
    void wavRule();
    void rowClick() override;
    void clear() override;
    void updateRow() override;
    void add() override;
    void remove() override;
    void pickFile();
    void cellEdited(QStandardItem *item);
    Command boxes() const;

    QLineEdit *TextTx = nullptr;
    QLineEdit *TextRx = nullptr;
    QVector<QLineEdit *> TextWav;     // 0-4: wav, wav1 ... wav4; 5: chemin
    QLineEdit *TextRel = nullptr;
    QPushButton *Command1 = nullptr;  // "..." file picker

    int m_repeater;
    bool m_loading = false;
};
