#include "proposa.h"

#include "ui/artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ProposA::ProposA(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProposA"));
    setWindowTitle(QStringLiteral("A propos de ..."));

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(Artwork::logo(96));

    auto *title = new QLabel(QStringLiteral("<b style='font-size:16pt'>Pontavel</b>"), this);
    lblVersion = new QLabel(QStringLiteral("Version 4.0"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto *credits = new QLabel(QStringLiteral(
        "Télécommande d'un réseau de relais de télévision d'amateur :<br>"
        "carte du réseau, envoi des commandes en DTMF,<br>"
        "affichage des chemins ouverts.<br><br>"
        "Logiciel libre écrit pour les radioamateurs par l'équipe Pontavel,<br>"
        "sous licence GNU GPL version 3 ou ultérieure."), this);
    credits->setObjectName(QStringLiteral("lblCredits"));

    OK = new QPushButton(QStringLiteral("&OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);

    auto *text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(credits);
    auto *row = new QHBoxLayout;
    row->addWidget(imgLogo, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}
