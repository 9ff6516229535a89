#pragma once

#include <QColor>
#include <QString>
#include <QVariant>

#include <cmath>
#include <cstdint>

// Whole-number conversions of the stored data round to the nearest integer,
// halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
inline qint64 roundHalfEven(double v)
{
    return static_cast<qint64>(std::nearbyint(v)); // default FE_TONEAREST is half-even
}

inline int toInt16(double v)
{
    const qint64 r = roundHalfEven(v);
    return static_cast<int>(std::clamp<qint64>(r, -32768, 32767));
}

// Width in twips given to a repeater label for its caption: 110 twips a character.
inline int LargeurTexte(const QString &text)
{
    return static_cast<int>(text.size()) * 110;
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
