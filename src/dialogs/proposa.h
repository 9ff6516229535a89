#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box.
class ProposA : public QDialog
{
    Q_OBJECT
public:
    explicit ProposA(QWidget *parent = nullptr);

private:
    QLabel *imgLogo = nullptr;
    QLabel *lblVersion = nullptr;
    QPushButton *OK = nullptr;
};
