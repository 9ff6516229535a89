#pragma once

#include "core/repeater.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QVector>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QScrollArea;
class RouteState;
class SendMachine;
class Store;
class Transmitter;

// The command window of one repeater, the one clicked on the map: one option
// per command of its table, "&Paramétrer" sends the chosen one, "&Fermer"
// puts the repeater back in its idle look.
class Relai : public QDialog
{
    Q_OBJECT
public:
    // Repeater `numero`, shown by its name and frequency.
    Relai(int numero, const QString &name, const QString &frequency, Store &store, RouteState &routes,
          Transmitter *transmitter, QWidget *parent = nullptr);
    ~Relai() override;

    // Lists the commands of the repeater again.
    void fillList();
    // Index of the checked option, -1 when none is.
    int chosenIndex() const;

    SendMachine *machine() const { return m_machine; }
    QMessageBox *questionBox() const { return m_question; }

public slots:
    void reject() override;

private:
    void CmdParam_Click();
    void CmdFermer_Click();
    void setSending(bool playing);
    void ask(int n, const QString &playError);
    void onCompleted(const Command &command);
    void showMessage(int icon, const QString &text);

    QGroupBox *Frame1 = nullptr;
    QScrollArea *scroll = nullptr;
    QVector<QRadioButton *> Option1;
    QPushButton *CmdParam = nullptr;
    QPushButton *CmdFermer = nullptr;

    const int m_numero;
    const QString m_name;
    const QString m_frequency;
    Store &m_store;
    RouteState &m_routes;
    SendMachine *m_machine = nullptr;
    QPointer<QMessageBox> m_question;
    bool m_waitCursor = false;
};
