#pragma once

#include <QWidget>

class QLabel;

// The start-up screen shown while the main window loads.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

private:
    QLabel *lblProductName = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblPlatform = nullptr;
};
