#pragma once

#include "mdbreader.h"

// Checking what was read from relai.mdb against the program's tables: fields
// the program needs are added, rows past the limits dropped, numbers set to
// the rows' places; everything else is kept as the old program read it, and
// each row that broke a rule is named in the report.
namespace MdbImport {

// A table as it will be written; command tables keep their text limits.
struct Target : Table
{
    bool limitText = false;
};

struct CheckedNetwork
{
    QVector<Target> tables;  // Relais, Param, then the command tables 1, 2 ...
    QStringList report;      // each row that broke the rules, and what became of it
    int repeaters = 0;
    int commands = 0;
    bool settings = false;   // a settings row is there
};

// False, with a French message, when `old` holds no Relais or no Param table.
bool check(const OldDatabase &old, CheckedNetwork *out, QString *error);

} // namespace MdbImport
