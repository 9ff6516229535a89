#pragma once

#include <QColor>
#include <QString>
#include <QVariant>

#include <limits>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

// Whole-number conversions of the stored data round to the nearest integer,
// halves to the even neighbour (2.5 -> 2, 3.5 -> 4). Values past what 64 bits
// hold saturate and NaN gives 0: a damaged cell must never reach an
// out-of-range conversion.
inline qint64 roundHalfEven(double v)
{
    if (std::isnan(v))
        return 0;
    // 2^63 is exact as a double; the largest double below it converts safely.
    constexpr double Limit = 9223372036854775808.0;
    if (v >= Limit)
        return std::numeric_limits<qint64>::max();
    if (v < -Limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(std::nearbyint(v)); // default FE_TONEAREST is half-even
}

// The same, saturated to int.
inline int roundToInt(double v)
{
    return int(std::clamp<qint64>(roundHalfEven(v), INT_MIN, INT_MAX));
}

inline int toInt16(double v)
{
    const qint64 r = roundHalfEven(v);
    return static_cast<int>(std::clamp<qint64>(r, -32768, 32767));
}

// Width in twips given to a repeater label for its caption: 110 twips a character.
inline int LargeurTexte(const QString &text)
{
    return int(std::min<qint64>(qint64(text.size()) * 110, INT_MAX));
}

// Colours are stored as Windows values 0x00BBGGRR.
inline QColor colorFromBgr(quint32 bgr)
{
    return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
}

inline quint32 bgrFromColor(const QColor &c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

// Twips per screen pixel at 96 dpi.
constexpr double TwipsPerPixel = 15.0;

// Reads a stored value as a number; an empty or unreadable value gives `fallback`
// and clears *ok.
inline double variantToDouble(const QVariant &v, double fallback, bool *ok = nullptr)
{
    bool good = false;
    double d = 0;
    if (v.isValid() && !v.isNull()) {
        if (v.typeId() == QMetaType::QString)
            d = v.toString().trimmed().replace(',', '.').toDouble(&good);
        else
            d = v.toDouble(&good);
    }
    if (ok)
        *ok = good && std::isfinite(d);
    return good && std::isfinite(d) ? d : fallback;
}
