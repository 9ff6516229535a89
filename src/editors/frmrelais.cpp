#include "frmrelais.h"

#include "editorsupport.h"

#include "store/schema.h"
#include "store/store.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

using namespace EditorSupport;

namespace {

namespace Field = Schema::RelaisField;

// The grid's captions, one column per field of table Relais.
constexpr const char *Captions[] = {"N°",   "Nom Relais", "N° Relais", "Fréquence", "Gauch",
                                    "Haut", "Lib-G",      "Lib-H",     "Faisceau"};
static_assert(std::size(Captions) == Field::Chemin + 1);

} // namespace

frmRelais::frmRelais(Store &store, QWidget *parent)
    : TableEditor(store, captions(Captions), parent)
{
    setObjectName(QStringLiteral("frmRelais"));
    setWindowTitle(QStringLiteral("Relais"));
    // Rows change only through the boxes: numbers and places must stay whole.
    grdDataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDataGrid->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto box = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        connect(e, &QLineEdit::textChanged, this, &frmRelais::editRule);
        return e;
    };
    TextNom = box("TextNom");
    TextDTMF = box("TextDTMF");
    TextFreq = box("TextFreq");
    TextChem = box("TextChem");
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(TextNom, 3);
    boxes->addWidget(TextDTMF, 1);
    boxes->addWidget(TextFreq, 2);
    boxes->addWidget(TextChem, 2);
    layOut(boxes);
    resize(760, 480);
    reload(1);
}

void frmRelais::reload(int current)
{
    QString error;
    fill(m_store.repeaterRows(&error));
    setCurrentRow(current);
    if (!error.isEmpty())
        dataError(this, error);
}

void frmRelais::editRule()
{
    const bool nom = !TextNom->text().isEmpty();
    const bool freq = !TextFreq->text().isEmpty();
    const bool dtmf = !TextDTMF->text().isEmpty();
    CmdEffacer->setEnabled(nom || freq || dtmf);
    if (nom && freq && dtmf) {
        cmdAdd->setEnabled(true);
        if (const QVariantList *r = row()) {
            const bool same = sameText(TextNom->text(), r->at(Field::Nom))
                              && sameText(TextFreq->text(), r->at(Field::Freq))
                              && sameText(TextChem->text(), r->at(Field::Chemin))
                              && sameText(TextDTMF->text(), r->at(Field::Dtmf));
            cmdModif->setEnabled(!same);
        }
    } else {
        cmdAdd->setEnabled(false);
        cmdModif->setEnabled(false);
    }
}

void frmRelais::rowClick()
{
    for (QLineEdit *e : {TextNom, TextDTMF, TextFreq, TextChem})
        e->clear();
    const QVariantList *r = row();
    if (!r)
        return;
    TextNom->setText(fieldText(r->at(Field::Nom)));
    TextFreq->setText(fieldText(r->at(Field::Freq)));
    TextDTMF->setText(fieldText(r->at(Field::Dtmf)));
    TextChem->setText(fieldText(r->at(Field::Chemin)));
    CmdEffacer->setEnabled(true);
    cmdAdd->setEnabled(true);
    cmdDelete->setEnabled(true);
}

void frmRelais::clear()
{
    for (QLineEdit *e : {TextNom, TextDTMF, TextFreq, TextChem})
        e->clear();
    for (QPushButton *b : {CmdEffacer, cmdAdd, cmdModif, cmdDelete})
        b->setEnabled(false);
}

static bool required(const QLineEdit *a, const QLineEdit *b, const QLineEdit *c)
{
    return !a->text().isEmpty() && !b->text().isEmpty() && !c->text().isEmpty();
}

void frmRelais::updateRow()
{
    if (!required(TextNom, TextFreq, TextDTMF)) {
        message(this, QStringLiteral("Les champs Nom et Fréquence ne peuvent être vide"));
        return;
    }
    // Without a current row there is nothing to write into.
    const int p = currentRow();
    if (p >= 1) {
        QString error;
        if (!m_store.updateRepeater(p, TextNom->text(), TextDTMF->text(), TextFreq->text(), TextChem->text(),
                                    &error)) {
            message(this, error);
            return;
        }
        reload(p);
        emit repeaterUpdated(p);
    }
    clear();
}

void frmRelais::add()
{
    if (!required(TextNom, TextFreq, TextDTMF)) {
        message(this, QStringLiteral("Les champs Nom et Fréquence ne peuvent être vide"));
        return;
    }
    const int n = int(m_rows.size());
    setCurrentRow(n);
    if (n >= Schema::MaxRepeaters) {
        message(this, Schema::repeaterLimitText());
        return;
    }
    grdDataGrid->setFocus();
    QString error;
    const int k = m_store.addRepeater(TextNom->text(), TextDTMF->text(), TextFreq->text(), TextChem->text(), &error);
    if (k == 0) {
        message(this, error);
        return;
    }
    // The grid's selection goes down to the new row.
    reload(k);
    emit repeaterAdded(k);
    clear();
}

void frmRelais::remove()
{
    if (!confirm(this, QStringLiteral("Relais")))
        return;
    const int n = currentRow();
    if (n < 1)
        return;
    QString error;
    if (!m_store.deleteRepeater(n, &error)) {
        message(this, error);
        return;
    }
    reload(0);
    emit repeaterDeleted(n);
}
