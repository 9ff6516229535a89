#pragma once

#include "core/settings.h"
#include "ptt/pttset.h"

#include <QDialog>
#include <QString>
#include <QVector>

class Configuration;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class Transmitter;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The serial port dialog, which is the station dialog too: port number and
// its device, line settings, PTT method (serial line, rigctld, CM108 GPIO,
// VOX) and what it needs, sound output, call sign and place, flow control and
// echo. It opens on the stored settings and the port's flow control of this
// session, returns the choice (choice()); the caller applies and stores it.
// "Essai PTT" keys the method shown, not yet stored, through `transmitter`.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    static constexpr int TestMs = 2000;

    // `handshaking`: the port's flow control (0 none ... 3 XOn/RTS).
    explicit frmProperties(const Configuration &config, int handshaking = 0, QWidget *parent = nullptr,
                           Transmitter *transmitter = nullptr);
    ~frmProperties() override;
    void done(int result) override;

    // Fills the lists and shows the port's current state.
    void LoadPropertySettings();

    int flow() const { return m_flow; }
    bool echo() const { return m_echo; }

    // What OK accepted.
    const PortChoice &choice() const { return m_choice; }

private:
    void cmdOK_Click();
    void cmdTest_Click();
    void showMethod();
    void showHidDevices(const QString &current);
    void proposeHidDevice();
    PttChoice pttShown() const;
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
    QComboBox *cboMethod = nullptr;   // data: PttMethod
    QLineEdit *txtHost = nullptr;
    QSpinBox *spnTcpPort = nullptr;
    QComboBox *cboHid = nullptr;      // hidraw devices (data: path)
    QSpinBox *spnGpio = nullptr;
    QLineEdit *txtCallSign = nullptr;
    QLineEdit *txtPlace = nullptr;
    QPushButton *cmdTest = nullptr;
    QLabel *lblTest = nullptr;
    QList<QWidget *> serialRows, rigctldRows, cm108Rows;
    QVector<QRadioButton *> optFlow;
    QVector<QRadioButton *> optEcho;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    const Configuration &m_config;
    Transmitter *m_tx;
    PttSet m_testPtts;                // what "Essai PTT" keys
    const int m_handshaking;
    PortChoice m_choice;
    int m_flow = 0;
    bool m_echo = false;
};
