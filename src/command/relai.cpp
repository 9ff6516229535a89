#include "relai.h"

#include "core/routestate.h"
#include "sendmachine.h"
#include "store/store.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// Design sizes in pixels: options 5000 x 330 twips, rows 430 twips apart.
constexpr int OptionWidth = 333;
constexpr int OptionHeight = 22;
constexpr int RowStep = 29;
constexpr int RowsPerColumn = 15;
}

Relai::Relai(int numero, const QString &name, const QString &frequency, Store &store, RouteState &routes,
             Transmitter *transmitter, QWidget *parent)
    : QDialog(parent), m_numero(numero), m_name(name), m_frequency(frequency), m_store(store), m_routes(routes)
{
    setObjectName(QStringLiteral("Relai"));
    setWindowTitle(name + QLatin1Char(' ') + frequency);
    m_machine = new SendMachine(transmitter, this);
    Repeater self{numero, name, {}, frequency};
    for (const Repeater &r : store.repeaters())
        if (r.numero == numero)
            self.dtmf = r.dtmf;
    m_machine->setRepeater(self);

    auto *layout = new QVBoxLayout(this);
    Frame1 = new QGroupBox(QStringLiteral("Entrées - Sorties"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *frameLayout = new QVBoxLayout(Frame1);
    scroll = new QScrollArea(Frame1);
    scroll->setObjectName(QStringLiteral("scroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumSize(2 * OptionWidth + 40, RowsPerColumn * RowStep + 12);
    frameLayout->addWidget(scroll);
    layout->addWidget(Frame1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    CmdParam = new QPushButton(QStringLiteral("&Paramétrer"), this);
    CmdParam->setObjectName(QStringLiteral("CmdParam"));
    CmdParam->setVisible(false);
    CmdFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    CmdFermer->setObjectName(QStringLiteral("CmdFermer"));
    buttons->addWidget(CmdParam);
    buttons->addWidget(CmdFermer);
    layout->addLayout(buttons);

    connect(CmdParam, &QPushButton::clicked, this, &Relai::CmdParam_Click);
    connect(CmdFermer, &QPushButton::clicked, this, &Relai::CmdFermer_Click);
    connect(m_machine, &SendMachine::playingChanged, this, &Relai::setSending);
    connect(m_machine, &SendMachine::askConfirmation, this, &Relai::ask);
    connect(m_machine, &SendMachine::completed, this, &Relai::onCompleted);
    connect(m_machine, &SendMachine::failed, this,
            [this](const QString &text) { showMessage(QMessageBox::Warning, text); });
    connect(m_machine, &SendMachine::portWarning, this,
            [this](const QString &text) { showMessage(QMessageBox::Warning, text); });
    connect(m_machine, &SendMachine::maxTransmitTimeReached, this,
            [this](const QString &text) { showMessage(QMessageBox::Warning, text); });

    fillList();
}

Relai::~Relai()
{
    // Before the members go: the machine's last signals must not reach a half-destroyed window.
    disconnect(m_machine, nullptr, this, nullptr);
    m_machine->abort();
    setSending(false);
}

void Relai::fillList()
{
    const int checked = chosenIndex();
    qDeleteAll(Option1);
    Option1.clear();
    delete scroll->takeWidget();

    auto *list = new QWidget;
    auto *grid = new QGridLayout(list);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(RowStep - OptionHeight);
    grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    grid->setColumnMinimumWidth(0, OptionWidth);
    grid->setColumnMinimumWidth(1, OptionWidth);

    QString error;
    QStringList skipped;
    const QVector<Command> commands = m_store.commands(m_numero, &error, &skipped);
    if (!skipped.isEmpty())
        error = (QStringList{error} + skipped).join(QLatin1Char('\n')).trimmed();
    // Two columns of fifteen; a longer table makes the columns longer and the
    // list scrolls, so that no command is left out.
    const int perColumn = std::max<int>(RowsPerColumn, (int(commands.size()) + 1) / 2);
    for (int i = 0; i < commands.size(); ++i) {
        const Command &c = commands[i];
        auto *option = new QRadioButton(c.tx + QLatin1Char(' ') + c.rx, list);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        // Natural width: a radio button only takes clicks on its indicator and text.
        option->setFixedHeight(OptionHeight);
        option->setMaximumWidth(OptionWidth);
        grid->addWidget(option, i % perColumn, i / perColumn, Qt::AlignLeft);
        connect(option, &QRadioButton::clicked, this, [this] { CmdParam->setVisible(true); });
        Option1.append(option);
    }
    scroll->setWidget(list);
    if (checked >= 0 && checked < Option1.size())
        Option1[checked]->setChecked(true);
    if (!error.isEmpty())
        showMessage(QMessageBox::NoIcon, error);
}

int Relai::chosenIndex() const
{
    for (int i = 0; i < Option1.size(); ++i)
        if (Option1[i]->isChecked())
            return i;
    return -1;
}

void Relai::CmdParam_Click()
{
    if (m_machine->isActive())
        return;
    const int i = chosenIndex();
    QString error;
    const QVector<Command> commands = m_store.commands(m_numero, &error);
    if (!error.isEmpty()) {
        showMessage(QMessageBox::Warning, error);
        return;
    }
    if (i < 0 || i >= commands.size()) {
        showMessage(QMessageBox::Warning,
                    QStringLiteral("La commande choisie n'existe pas dans la table des commandes du relais %1 : "
                                   "rien n'a été émis.")
                        .arg(m_numero));
        return;
    }
    m_machine->start(commands[i]);
}

void Relai::CmdFermer_Click()
{
    if (m_machine->isActive())
        return;
    m_routes.showIdle(m_numero);
    m_routes.RestaureLibelles(m_numero, m_name, m_frequency);
    accept();
}

void Relai::reject()
{
    // Closing the window (close box, Escape) while tones play releases the
    // transmitter at once.
    if (m_machine->isActive())
        m_machine->abort();
    if (m_question)
        m_question->close();
    QDialog::reject();
}

void Relai::setSending(bool playing)
{
    if (playing && !m_waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    } else if (!playing && m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
    Frame1->setEnabled(!playing);
    CmdParam->setEnabled(!playing);
    CmdFermer->setEnabled(!playing);
}

void Relai::ask(int n, const QString &playError)
{
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Envoi en cours"), SendMachine::question(n),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("questionEnvoi"));
    if (!playError.isEmpty())
        box->setInformativeText(playError);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box](int) {
        const auto button = box->standardButton(box->clickedButton());
        m_machine->answer(button == QMessageBox::Yes  ? SendMachine::Answer::Yes
                          : button == QMessageBox::No ? SendMachine::Answer::No
                                                      : SendMachine::Answer::Cancel);
    });
    m_question = box;
    box->open();
}

void Relai::onCompleted(const Command &command)
{
    m_routes.showIdle(m_numero);
    m_routes.RestaureLibelles(m_numero, m_name, m_frequency);
    m_routes.AfficheRoute(m_numero, command);
    accept();
}

void Relai::showMessage(int icon, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Icon(icon), QStringLiteral("Pontavel"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
