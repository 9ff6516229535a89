#pragma once

#include <QChar>
#include <QString>

// The sixteen DTMF keys and their standard frequency pairs.
namespace Dtmf {

// The keypad: rows sound the low tone, columns the high one.
inline constexpr const char *Layout[4] = {"123A", "456B", "789C", "*0#D"};
inline constexpr int RowHz[4] = {697, 770, 852, 941};
inline constexpr int ColumnHz[4] = {1209, 1336, 1477, 1633};

// Every key, in the order files and lists show them: 0-9, A-D, #, *.
inline QString keys()
{
    return QStringLiteral("0123456789ABCD#*");
}

// Digits, A-D and * #; lower-case a-d are not keys here (callers decide
// whether to fold case first).
inline bool isKey(QChar c)
{
    return keys().contains(c);
}

} // namespace Dtmf
