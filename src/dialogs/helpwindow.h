#pragma once

#include <QUrl>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QToolButton;

// The program's help: HTML pages from the resources, a list of contents,
// back and forward, and a search within the page.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const QUrl &index, QWidget *parent = nullptr);

    struct Page { QString title; QString file; };
    static const QVector<Page> &pages();   // contents, in order

    void showContents();                   // index page, window raised
    bool findInPage(const QString &text, bool backward = false);

private:
    QTextBrowser *browser = nullptr;
    QListWidget *contents = nullptr;
    QToolButton *cmdBack = nullptr;
    QToolButton *cmdForward = nullptr;
    QToolButton *cmdHome = nullptr;
    QLineEdit *findText = nullptr;
    QToolButton *cmdFindNext = nullptr;

    void syncContents(const QUrl &url);
    QUrl m_index;
};
