#pragma once

#include "core/repeater.h"

#include <QDialog>
#include <QPointer>
#include <QVector>

struct AppContext;
class QGroupBox;
#include <QMessageBox>
class QPushButton;
class QRadioButton;
class QScrollArea;
class SendMachine;

// The command window of the repeater last clicked on the map (IndexBouton):
// one option per command of its table, "&Paramétrer" sends the chosen one,
// "&Fermer" puts the repeater back in its idle look.
class Relai : public QDialog
{
    Q_OBJECT
public:
    Relai(AppContext &ctx, QWidget *parent = nullptr);
    ~Relai() override;

    // Lists the commands of repeater IndexBouton again.
    void fillList();
    // Index of the checked option, -1 when none is.
    int chosenIndex() const;

    SendMachine *machine() const { return m_machine; }
    QMessageBox *questionBox() const { return m_question; }

    QGroupBox *Frame1 = nullptr;
    QScrollArea *scroll = nullptr;
    QVector<QRadioButton *> Option1;
    QPushButton *CmdParam = nullptr;
    QPushButton *CmdFermer = nullptr;

public slots:
    void reject() override;

private:
    void CmdParam_Click();
    void CmdFermer_Click();
    void setSending(bool playing);
    void ask(int n, const QString &playError);
    void onCompleted(const Command &command);
    void showMessage(int icon, const QString &text);

    AppContext &m_ctx;
    SendMachine *m_machine = nullptr;
    QPointer<QMessageBox> m_question;
    bool m_waitCursor = false;
};
