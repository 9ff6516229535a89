#include "helpwindow.h"

#include "ui/windowplacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

const QVector<HelpWindow::Page> &HelpWindow::pages()
{
    static const QVector<Page> list{
        {QStringLiteral("Sommaire"), QStringLiteral("index.html")},
        {QStringLiteral("Premier démarrage et dossier de travail"), QStringLiteral("dossier.html")},
        {QStringLiteral("Importer une base relai.mdb"), QStringLiteral("import.html")},
        {QStringLiteral("La fenêtre principale et la carte"), QStringLiteral("carte.html")},
        {QStringLiteral("Les commandes d'un relais"), QStringLiteral("commande.html")},
        {QStringLiteral("Le clavier DTMF"), QStringLiteral("clavier.html")},
        {QStringLiteral("Les éditeurs de relais et de commandes"), QStringLiteral("editeurs.html")},
        {QStringLiteral("Le port série"), QStringLiteral("port.html")},
        {QStringLiteral("Réglages de la station"), QStringLiteral("station.html")},
        {QStringLiteral("Couleurs, durée d'affichage et moniteur"), QStringLiteral("reglages.html")},
        {QStringLiteral("Câbler la commande d'émission (PTT)"), QStringLiteral("ptt.html")},
    };
    return list;
}

HelpWindow::HelpWindow(const QUrl &index, QWidget *parent) : QWidget(parent, Qt::Window), m_index(index)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Aide de Pontavel"));
    resize(900, 640);
    WindowPlacement::fitSize(this, parent ? parent->screen() : nullptr);

    auto *top = new QHBoxLayout;
    auto tool = [this, top](QToolButton *&b, const char *name, const QString &text, QStyle::StandardPixmap icon) {
        b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(text);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        top->addWidget(b);
    };
    tool(cmdBack, "cmdBack", QStringLiteral("Précédent"), QStyle::SP_ArrowBack);
    tool(cmdForward, "cmdForward", QStringLiteral("Suivant"), QStyle::SP_ArrowForward);
    tool(cmdHome, "cmdHome", QStringLiteral("Sommaire"), QStyle::SP_DirHomeIcon);
    top->addSpacing(20);
    auto *findLabel = new QLabel(QStringLiteral("Rechercher :"), this);
    top->addWidget(findLabel);
    findText = new QLineEdit(this);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setPlaceholderText(QStringLiteral("mot à chercher dans la page"));
    findLabel->setBuddy(findText);
    top->addWidget(findText, 1);
    tool(cmdFindNext, "cmdFindNext", QStringLiteral("Chercher"), QStyle::SP_FileDialogContentsView);

    auto *split = new QSplitter(this);
    contents = new QListWidget(split);
    contents->setObjectName(QStringLiteral("contents"));
    for (const Page &p : pages()) {
        auto *item = new QListWidgetItem(p.title, contents);
        item->setData(Qt::UserRole, p.file);
    }
    browser = new QTextBrowser(split);
    browser->setObjectName(QStringLiteral("browser"));
    browser->setOpenExternalLinks(true);
    split->addWidget(contents);
    split->addWidget(browser);
    split->setStretchFactor(1, 1);
    // Every title whole, wrapped when the window is narrow, never a side scroll bar.
    contents->setWordWrap(true);
    contents->setTextElideMode(Qt::ElideNone);
    contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int listWidth = contents->sizeHintForColumn(0) + 2 * contents->frameWidth() + 8;
    contents->setMinimumWidth(std::min(listWidth, 200));
    split->setChildrenCollapsible(false);
    split->setSizes({listWidth, std::max(300, width() - listWidth)});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(cmdBack, &QToolButton::clicked, browser, &QTextBrowser::backward);
    connect(cmdForward, &QToolButton::clicked, browser, &QTextBrowser::forward);
    connect(cmdHome, &QToolButton::clicked, this, [this] { browser->setSource(m_index); });
    connect(browser, &QTextBrowser::backwardAvailable, cmdBack, &QWidget::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, cmdForward, &QWidget::setEnabled);
    connect(browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);
    connect(contents, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        browser->setSource(m_index.resolved(QUrl(item->data(Qt::UserRole).toString())));
    });
    connect(contents, &QListWidget::itemClicked, contents, &QListWidget::itemActivated);
    connect(findText, &QLineEdit::returnPressed, this, [this] { findInPage(findText->text()); });
    connect(cmdFindNext, &QToolButton::clicked, this, [this] { findInPage(findText->text()); });
    browser->setSource(m_index);

    for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto *shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

void HelpWindow::showContents()
{
    if (browser->source() != m_index)
        browser->setSource(m_index);
    show();
    raise();
    activateWindow();
}

bool HelpWindow::findInPage(const QString &text, bool backward)
{
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser->find(text, flags))
        return true;
    // Not found after the cursor: wrap round once.
    QTextCursor c = browser->textCursor();
    c.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser->setTextCursor(c);
    return browser->find(text, flags);
}

void HelpWindow::syncContents(const QUrl &url)
{
    const QString file = url.fileName();
    for (int i = 0; i < contents->count(); ++i) {
        if (contents->item(i)->data(Qt::UserRole).toString() == file) {
            const QSignalBlocker block(contents);
            contents->setCurrentRow(i);
            return;
        }
    }
}
