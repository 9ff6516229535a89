#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

struct AppContext;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

// A serial settings string "speed,parity,data bits,stop bits" ("9600,N,8,1",
// stop bits may be "1.5") taken apart. A string that is not four fields
// gives empty parts.
struct PortLineSettings
{
    QString speed;
    QChar parity;       // as written, any case
    QString dataBits;
    QString stopBits;

    static PortLineSettings parse(const QString &settings);
    // Speed, data bits and stop bits are whole numbers (stop bits 1, 1.5 or
    // 2) and the parity is one of E, O, N, M, S.
    bool isValid() const;
    QString toString() const;
};

// The serial port dialog: port number and its device, line settings, flow
// control and echo.
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
    QVector<QRadioButton *> optFlow;
    QVector<QRadioButton *> optEcho;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    int flow() const { return m_flow; }
    bool echo() const { return m_echo; }

    void cmdOK_Click();

private:
    void showDevices(int comNumber);
    void fail(const QString &text);

    AppContext &m_ctx;
    int m_flow = 0;
    bool m_echo = false;
};
