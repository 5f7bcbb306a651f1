#pragma once

#include <QtGlobal>

// A money or measure amount: a signed fixed-point number with exactly four
// decimals, held as a 64-bit count of ten-thousandths. Sums are exact;
// products are rounded to the fourth decimal, halves to even. An overflow
// throws KorvanError rather than wrapping around.
class Amount
{
public:
    static constexpr qint64 Scale = 10000;

    constexpr Amount() = default;
    static constexpr Amount fromScaled(qint64 tenThousandths) { return Amount(tenThousandths); }
    // Whole units (a count of pieces, say).
    static Amount fromUnits(qint64 units);

    constexpr qint64 scaled() const { return m_value; }
    double toDouble() const { return double(m_value) / double(Scale); }
    constexpr bool isZero() const { return m_value == 0; }

    Amount operator+(Amount other) const;
    Amount operator-(Amount other) const;
    Amount operator-() const;
    Amount &operator+=(Amount other) { return *this = *this + other; }
    Amount &operator-=(Amount other) { return *this = *this - other; }
    // Rounded to four decimals, halves to even.
    Amount operator*(Amount other) const;
    Amount operator*(qint64 factor) const;
    // This amount × rate / 100 (rate in per cent), rounded once to four
    // decimals, halves to even: 2.100 × 0.5 % = 0.0105.
    Amount percentOf(Amount rate) const;
    // Rounded to whole cents (two decimals), halves to even.
    Amount roundedToCents() const;

    friend constexpr bool operator==(Amount a, Amount b) { return a.m_value == b.m_value; }
    friend constexpr bool operator!=(Amount a, Amount b) { return a.m_value != b.m_value; }
    friend constexpr bool operator<(Amount a, Amount b) { return a.m_value < b.m_value; }
    friend constexpr bool operator<=(Amount a, Amount b) { return a.m_value <= b.m_value; }
    friend constexpr bool operator>(Amount a, Amount b) { return a.m_value > b.m_value; }
    friend constexpr bool operator>=(Amount a, Amount b) { return a.m_value >= b.m_value; }

private:
    constexpr explicit Amount(qint64 value) : m_value(value) {}
    qint64 m_value = 0;
};
