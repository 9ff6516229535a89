#include "frmtempo.h"

#include "updown.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cmath>

double leadingNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

frmTempo::frmTempo(int minutes, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTempo"));
    setWindowTitle(QStringLiteral("Tempo Chemin"));

    Label1 = new QLabel(QStringLiteral("Saisissez (en minutes) La durée d'affichage du chemin "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    tempo = new QLineEdit(this);
    tempo->setObjectName(QStringLiteral("tempo"));
    tempo->setFixedWidth(60);
    tempo->setText(QString::number(minutes));
    Label1->setBuddy(tempo);
    UpDown1 = new UpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, 999);
    UpDown1->setValue(minutes);
    // The arrows count from their own value, not from what the box holds.
    connect(UpDown1, &UpDown::valueChanged, this, [this](int v) { tempo->setText(QString::number(v)); });

    CmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    CmdAnnule = new QPushButton(QStringLiteral("&Annuler"), this);
    CmdAnnule->setObjectName(QStringLiteral("CmdAnnule"));
    connect(CmdOk, &QPushButton::clicked, this, &frmTempo::CmdOk_Click);
    connect(CmdAnnule, &QPushButton::clicked, this, &QDialog::reject);

    auto *edit = new QHBoxLayout;
    edit->addWidget(Label1);
    edit->addWidget(tempo);
    edit->addWidget(UpDown1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdAnnule);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(edit);
    layout->addLayout(buttons);
}

void frmTempo::CmdOk_Click()
{
    double minutes = leadingNumber(tempo->text());
    // A negative duration would never count down to zero: the route would stay.
    if (minutes < 0)
        minutes = 0;
    m_minutes = minutes;
    accept();
}
