#pragma once

#include "core/settings.h"

#include <QDialog>
#include <QString>
#include <QVector>

class Configuration;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The serial port dialog: port number and its device, line settings, PTT
// line, sound output, flow control and echo. It opens on the stored settings
// and the port's flow control of this session, returns the choice (choice());
// the caller applies and stores it.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    // `handshaking`: the port's flow control (0 none ... 3 XOn/RTS).
    explicit frmProperties(const Configuration &config, int handshaking = 0, QWidget *parent = nullptr);

    // Fills the lists and shows the port's current state.
    void LoadPropertySettings();

    int flow() const { return m_flow; }
    bool echo() const { return m_echo; }

    // What OK accepted.
    const PortChoice &choice() const { return m_choice; }

private:
    void cmdOK_Click();
    void showDevices(int comNumber);
    void fail(const QString &text);

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

    const Configuration &m_config;
    const int m_handshaking;
    PortChoice m_choice;
    int m_flow = 0;
    bool m_echo = false;
};
