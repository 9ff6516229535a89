#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;

// The longest leading part of `text` that reads as a number (0 when none):
// "12abc" -> 12, "abc" -> 0, " 2.5 min" -> 2.5.
double leadingNumber(const QString &text);

// The route duration dialog: how many minutes a route stays on the map. It
// opens on the current duration and returns the new one; the caller applies
// and stores it.
class frmTempo : public QDialog
{
    Q_OBJECT
public:
    explicit frmTempo(int minutes, QWidget *parent = nullptr);

    // The duration chosen, in minutes, once accepted.
    double minutes() const { return m_minutes; }

private:
    void CmdOk_Click();

    QLabel *Label1 = nullptr;
    QLineEdit *tempo = nullptr;
    UpDown *UpDown1 = nullptr;
    QPushButton *CmdOk = nullptr;
    QPushButton *CmdAnnule = nullptr;
    double m_minutes = 0;
};
