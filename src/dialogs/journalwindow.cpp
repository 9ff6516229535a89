#include "journalwindow.h"

#include "store/journalexport.h"
#include "store/journalmodel.h"
#include "ui/windowplacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSqlError>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

JournalWindow::JournalWindow(JournalStore &store, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store)
{
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Journal de trafic"));
    resize(1100, 640);
    WindowPlacement::fitSize(this, parent ? parent->screen() : nullptr);

    auto *filters = new QHBoxLayout;
    auto labelled = [this, filters](const QString &text, QWidget *w) {
        auto *l = new QLabel(text, this);
        l->setBuddy(w);
        filters->addWidget(l);
        filters->addWidget(w);
    };
    periodCheck = new QCheckBox(QStringLiteral("&Du"), this);
    periodCheck->setObjectName(QStringLiteral("periodCheck"));
    periodCheck->setToolTip(QStringLiteral("Ne montrer que les émissions commencées entre ces deux dates, "
                                           "l'une et l'autre comprises"));
    filters->addWidget(periodCheck);
    auto dateEdit = [this](const char *name) {
        auto *d = new QDateEdit(QDate::currentDate(), this);
        d->setObjectName(QLatin1String(name));
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setCalendarPopup(true);
        d->setEnabled(false);
        return d;
    };
    fromDate = dateEdit("fromDate");
    filters->addWidget(fromDate);
    toDate = dateEdit("toDate");
    labelled(QStringLiteral("au"), toDate);
    filters->addSpacing(12);

    repeaterBox = new QComboBox(this);
    repeaterBox->setObjectName(QStringLiteral("repeaterBox"));
    repeaterBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    labelled(QStringLiteral("&Relais :"), repeaterBox);
    outcomeBox = new QComboBox(this);
    outcomeBox->setObjectName(QStringLiteral("outcomeBox"));
    outcomeBox->addItem(QStringLiteral("Toutes"));
    for (JournalEntry::Outcome o : JournalEntry::outcomes())
        outcomeBox->addItem(JournalEntry::label(o), int(o));
    labelled(QStringLiteral("&Issue :"), outcomeBox);
    filters->addStretch(1);
    findText = new QLineEdit(this);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setPlaceholderText(QStringLiteral("relais, fréquence, commande, touches, port, indicatif..."));
    findText->setClearButtonEnabled(true);
    auto *search = new QHBoxLayout;
    auto *findLabel = new QLabel(QStringLiteral("Re&chercher :"), this);
    findLabel->setBuddy(findText);
    search->addWidget(findLabel);
    search->addWidget(findText, 1);

    m_model = new JournalModel(store, this);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("table"));
    table->setModel(m_model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    // Fixed row heights: the view never measures rows it does not show.
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);

    totalsLabel = new QLabel(this);
    totalsLabel->setObjectName(QStringLiteral("totalsLabel"));
    auto button = [this](QPushButton *&b, const char *name, const QString &text) {
        b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
    };
    button(cmdRefresh, "cmdRefresh", QStringLiteral("&Actualiser"));
    button(cmdExport, "cmdExport", QStringLiteral("&Exporter..."));
    button(cmdClose, "cmdClose", QStringLiteral("&Fermer"));
    cmdExport->setToolTip(QStringLiteral("Enregistrer les émissions affichées dans un fichier CSV"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(totalsLabel, 1);
    bottom->addWidget(cmdRefresh);
    bottom->addWidget(cmdExport);
    bottom->addWidget(cmdClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(search);
    layout->addWidget(table, 1);
    layout->addLayout(bottom);

    // Typing is read once it pauses: every key would be a query.
    m_textDelay = new QTimer(this);
    m_textDelay->setSingleShot(true);
    m_textDelay->setInterval(250);
    // Rows written while the window is open: read them in one go.
    m_changedDelay = new QTimer(this);
    m_changedDelay->setSingleShot(true);
    m_changedDelay->setInterval(500);

    fillRepeaters();
    connect(periodCheck, &QCheckBox::toggled, this, [this](bool on) {
        fromDate->setEnabled(on);
        toDate->setEnabled(on);
        applyFilter();
    });
    connect(fromDate, &QDateEdit::dateChanged, this, &JournalWindow::applyFilter);
    connect(toDate, &QDateEdit::dateChanged, this, &JournalWindow::applyFilter);
    connect(repeaterBox, &QComboBox::currentIndexChanged, this, &JournalWindow::applyFilter);
    connect(outcomeBox, &QComboBox::currentIndexChanged, this, &JournalWindow::applyFilter);
    connect(findText, &QLineEdit::textChanged, m_textDelay, qOverload<>(&QTimer::start));
    connect(findText, &QLineEdit::returnPressed, this, &JournalWindow::applyFilter);
    connect(m_textDelay, &QTimer::timeout, this, &JournalWindow::applyFilter);
    connect(&store, &JournalStore::changed, m_changedDelay, qOverload<>(&QTimer::start));
    connect(m_changedDelay, &QTimer::timeout, this, [this] {
        fillRepeaters();
        applyFilter();
    });
    connect(cmdRefresh, &QPushButton::clicked, this, [this] {
        fillRepeaters();
        applyFilter();
    });
    connect(cmdExport, &QPushButton::clicked, this, &JournalWindow::exportWithDialog);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    applyFilter();
}

void JournalWindow::fillRepeaters()
{
    const QString current = repeaterBox->currentData().toString();
    const QSignalBlocker block(repeaterBox);
    repeaterBox->clear();
    repeaterBox->addItem(QStringLiteral("Tous"), QString());
    for (const QString &name : m_store.repeaterNames())
        repeaterBox->addItem(name, name);
    repeaterBox->setCurrentIndex(std::max(0, repeaterBox->findData(current)));
}

JournalFilter JournalWindow::currentFilter() const
{
    JournalFilter f;
    if (periodCheck->isChecked()) {
        f.from = fromDate->date();
        f.to = toDate->date();
    }
    f.repeater = repeaterBox->currentData().toString();
    if (outcomeBox->currentIndex() > 0)
        f.outcome = JournalEntry::Outcome(outcomeBox->currentData().toInt());
    f.text = findText->text().trimmed();
    return f;
}

void JournalWindow::applyFilter()
{
    m_textDelay->stop();
    const JournalFilter f = currentFilter();
    // A new query resets the header: the operator's column widths come back.
    QList<int> widths;
    for (int c = 0; c < m_model->columnCount(); ++c)
        widths << table->columnWidth(c);
    if (widths.isEmpty()) {
        const int digit = table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        for (int chars : {6, 16, 16, 8, 10, 8, 16, 10, 8, 16, 16, 10, 12, 7, 18, 10, 14, 14, 9, 12})
            widths << chars * digit + 16;
    }
    QString error;
    if (!m_model->setFilter(f))
        error = m_model->lastError().text();
    for (int c = 0; c < widths.size(); ++c)
        table->setColumnWidth(c, widths[c]);
    m_totals = m_store.totals(f, error.isEmpty() ? &error : nullptr);
    if (!m_store.isOpen() || !error.isEmpty()) {
        totalsLabel->setText(QStringLiteral("Le journal de trafic ne peut pas être lu : %1")
                                 .arg(m_store.isOpen() ? error : m_store.lastError()));
        return;
    }
    totalsLabel->setText(QStringLiteral("%1 %2, %3 à l'antenne")
                             .arg(m_totals.count)
                             .arg(m_totals.count > 1 ? QStringLiteral("émissions") : QStringLiteral("émission"),
                                  JournalExport::duration(m_totals.onAirMs)));
}

bool JournalWindow::exportTo(const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Impossible de créer %1 : %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    // What is shown: the filter the rows on screen were read with.
    if (!JournalExport::writeCsv(m_store, m_model->filter(), file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Impossible d'écrire %1 : %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

void JournalWindow::exportWithDialog()
{
    const QString suggested = QDir(QFileInfo(m_store.path()).absolutePath())
                                  .filePath(QStringLiteral("journal-%1.csv")
                                                .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Exporter le journal de trafic"), suggested,
                                                      QStringLiteral("Fichiers CSV (*.csv);;Tous les fichiers (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!exportTo(path, &error))
        QMessageBox::warning(this, QStringLiteral("Journal de trafic"), error);
}
