#include "frmsplash.h"

#include "ui/artwork.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto *outer = new QVBoxLayout(this);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("fraMainFrame"));
    frame->setFrameShape(QFrame::Box);
    outer->addWidget(frame);
    auto *row = new QHBoxLayout(frame);
    auto *logo = new QLabel(frame);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(Artwork::logo(128));
    row->addWidget(logo);
    auto *col = new QVBoxLayout;
    row->addLayout(col);

    lblVersion = new QLabel(frame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setText(QStringLiteral("Version " PONTAVEL_VERSION));
    lblProductName = new QLabel(frame);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    lblProductName->setText(QStringLiteral("Pontavel"));
    QFont big = lblProductName->font();
    big.setPointSize(26);
    big.setBold(true);
    lblProductName->setFont(big);
    lblPlatform = new QLabel(QStringLiteral("Plate-forme"), frame);
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    auto *lblPurpose = new QLabel(QStringLiteral("Télécommande des relais de télévision d'amateur"), frame);
    auto *lblPlatformName = new QLabel(QStringLiteral("Linux – Qt %1").arg(QLatin1String(qVersion())), frame);

    col->addWidget(lblProductName);
    col->addWidget(lblPurpose);
    col->addSpacing(12);
    col->addWidget(lblPlatform);
    col->addWidget(lblPlatformName);
    col->addWidget(lblVersion);
    col->addStretch(1);
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
