#pragma once

#include <QString>
#include <QStringList>

// One row of table Relais.
struct Repeater
{
    int numero = 0;          // N°: its position in stored order, 1-based
    QString nom;             // Nom
    QString dtmf;            // N°DTMF: one key
    QString freq;            // Freq
    double posGauche = 0;    // PosGauche, twips at zoom 10
    double posHaut = 0;      // PosHaut
    double libellePosGau = 0;   // LibellePosGau
    double libellePosHaut = 0;  // LibellePosHaut
    QString chemin;          // Chemin: beam string
};

// One row of a repeater's command table.
struct Command
{
    int numero = 0;          // N°
    QString tx;              // Tx ("Ligne 1")
    QString rx;              // Rx ("Ligne 2")
    QString wav[5];          // wav, wav1 ... wav4: DTMF sequences
    QString chemin;          // route that the command opens
    QString relais;          // keys of the repeaters it puts on the air
    bool readError[5] = {};  // the sequence field could not be read as text
};

// A sequence counts as absent when empty, one blank or two blanks.
inline bool sequenceAbsent(const QString &s)
{
    return s.isEmpty() || s == " " || s == "  ";
}
