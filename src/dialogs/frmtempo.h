#pragma once

#include <QDialog>
#include <QString>

struct AppContext;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The longest leading part of `text` that reads as a number (0 when none):
// "12abc" -> 12, "abc" -> 0, " 2.5 min" -> 2.5.
double leadingNumber(const QString &text);

// A pair of arrow buttons holding a value of its own.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);
    int value() const { return m_value; }
    void setValue(int v);
    void setRange(int min, int max);
    QToolButton *up = nullptr;
    QToolButton *down = nullptr;
signals:
    void valueChanged(int value);
private:
    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
};

// The route duration dialog: how many minutes a route stays on the map. It
// returns the value; the caller applies and stores it.
class frmTempo : public QDialog
{
    Q_OBJECT
public:
    explicit frmTempo(AppContext &ctx, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *tempo = nullptr;
    UpDown *UpDown1 = nullptr;
    QPushButton *CmdOk = nullptr;
    QPushButton *CmdAnnule = nullptr;

    void CmdOk_Click();
    // The duration chosen, in minutes, once accepted.
    double minutes() const { return m_minutes; }

private:
    AppContext &m_ctx;
    double m_minutes = 0;
};
