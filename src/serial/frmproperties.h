#pragma once

#include "core/settings.h"

#include <QDialog>
#include <QString>
#include <QVector>

struct AppContext;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The serial port dialog: port number and its device, line settings, PTT
// line, sound output, flow control and echo. It returns the choice (choice());
// the caller applies and stores it.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    explicit frmProperties(AppContext &ctx, QWidget *parent = nullptr);

    // Fills the lists and shows the port's current state.
    void LoadPropertySettings();

    // Flow control value of this session's port (0 none ... 3 XOn/RTS).
    static int currentHandshaking();

    QTabWidget *tabSettings = nullptr;
    QGroupBox *fraSettings = nullptr;
    QComboBox *cboPort = nullptr;
    QComboBox *cboDevice = nullptr;   // the device bound to the chosen number
    QComboBox *cboSpeed = nullptr;
    QComboBox *cboDataBits = nullptr;
    QComboBox *cboParity = nullptr;
    QComboBox *cboStopBits = nullptr;
    QComboBox *cboPtt = nullptr;      // RTS, DTR, both
    QComboBox *cboOutput = nullptr;   // sound output feeding the transmitter (data: device id)
    QVector<QRadioButton *> optFlow;
    QVector<QRadioButton *> optEcho;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    int flow() const { return m_flow; }
    bool echo() const { return m_echo; }

    void cmdOK_Click();
    // What OK accepted.
    const PortChoice &choice() const { return m_choice; }

private:
    void showDevices(int comNumber);
    void fail(const QString &text);

    AppContext &m_ctx;
    PortChoice m_choice;
    int m_flow = 0;
    bool m_echo = false;
};
