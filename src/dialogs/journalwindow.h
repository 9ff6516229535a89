#pragma once

#include "store/journalstore.h"

#include <QWidget>

class JournalModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

// "Journal de trafic": the station log, newest first, filtered by period,
// repeater, outcome and free text, with the totals of what is shown and its
// export to CSV. Rows are read from the journal as the table scrolls.
class JournalWindow : public QWidget
{
    Q_OBJECT
public:
    explicit JournalWindow(JournalStore &store, QWidget *parent = nullptr);

    // The filter the controls say.
    JournalFilter currentFilter() const;
    // Reads the rows and totals of the controls' filter again.
    void applyFilter();
    // Writes what is shown to `path` as CSV; false with *error in French.
    bool exportTo(const QString &path, QString *error = nullptr);
    JournalTotals totals() const { return m_totals; }
    JournalModel *model() const { return m_model; }

    QCheckBox *periodCheck = nullptr;
    QDateEdit *fromDate = nullptr;
    QDateEdit *toDate = nullptr;
    QComboBox *repeaterBox = nullptr;
    QComboBox *outcomeBox = nullptr;
    QLineEdit *findText = nullptr;
    QTableView *table = nullptr;
    QLabel *totalsLabel = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void exportWithDialog();
    void fillRepeaters();

    JournalStore &m_store;
    JournalModel *m_model = nullptr;
    QTimer *m_textDelay = nullptr;
    QTimer *m_changedDelay = nullptr;
    JournalTotals m_totals;
};
