#pragma once

#include "tableeditor.h"

class QLineEdit;

// Editor of table Relais: the whole table in a grid, four boxes and the
// buttons to add, update and delete a repeater. Deleting renumbers the
// following repeaters and their command tables.
class frmRelais : public TableEditor
{
    Q_OBJECT
public:
    explicit frmRelais(Store &store, QWidget *parent = nullptr);

signals:
    void repeaterAdded(int numero);
    void repeaterUpdated(int numero);
    void repeaterDeleted(int numero);

private:
    void reload(int current);
    void editRule();
    void rowClick() override;
    void clear() override;
    void updateRow() override;
    void add() override;
    void remove() override;

    QLineEdit *TextNom = nullptr;
    QLineEdit *TextDTMF = nullptr;
    QLineEdit *TextFreq = nullptr;
    QLineEdit *TextChem = nullptr;
};
