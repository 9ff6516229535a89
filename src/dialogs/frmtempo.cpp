#include "frmtempo.h"

#include "app/appcontext.h"
#include "core/convert.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

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

UpDown::UpDown(QWidget *parent) : QWidget(parent)
{
    auto *col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    for (QToolButton **b : {&up, &down}) {
        *b = new QToolButton(this);
        (*b)->setArrowType(b == &up ? Qt::UpArrow : Qt::DownArrow);
        (*b)->setFixedSize(16, 11);
        (*b)->setAutoRepeat(true);
        col->addWidget(*b);
    }
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    connect(up, &QToolButton::clicked, this, [this] { setValue(m_value + 1); });
    connect(down, &QToolButton::clicked, this, [this] { setValue(m_value - 1); });
}

void UpDown::setRange(int min, int max)
{
    m_min = min;
    m_max = std::max(min, max);
    setValue(m_value);
}

void UpDown::setValue(int v)
{
    v = std::clamp(v, m_min, m_max);
    if (v == m_value)
        return;
    m_value = v;
    emit valueChanged(v);
}

frmTempo::frmTempo(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmTempo"));
    setWindowTitle(QStringLiteral("Tempo Chemin"));

    Label1 = new QLabel(QStringLiteral("Saisissez (en minutes) La durée d'affichage du chemin "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    tempo = new QLineEdit(this);
    tempo->setObjectName(QStringLiteral("tempo"));
    tempo->setFixedWidth(60);
    tempo->setText(QString::number(ctx.state.DureeAffichage()));
    Label1->setBuddy(tempo);
    UpDown1 = new UpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, 999);
    UpDown1->setValue(ctx.state.DureeAffichage());
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
