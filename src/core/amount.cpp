#include "amount.h"

#include "korvanerror.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void overflow()
{
    throw KorvanError(u"值无效或过大: 计算结果超出范围"_s);
}

qint64 checked(__int128 value)
{
    if (value > std::numeric_limits<qint64>::max() || value < std::numeric_limits<qint64>::min())
        overflow();
    return qint64(value);
}

// value / divisor rounded to the nearest integer, halves to even.
__int128 divideToEven(__int128 value, __int128 divisor)
{
    __int128 quotient = value / divisor;
    __int128 remainder = value % divisor;
    if (remainder < 0)
        remainder = -remainder;
    const __int128 twice = remainder * 2;
    if (twice > divisor || (twice == divisor && (quotient % 2) != 0))
        quotient += value < 0 ? -1 : 1;
    return quotient;
}

} // namespace

Amount Amount::fromUnits(qint64 units)
{
    return Amount(checked(__int128(units) * Scale));
}

Amount Amount::operator+(Amount other) const
{
    return Amount(checked(__int128(m_value) + other.m_value));
}

Amount Amount::operator-(Amount other) const
{
    return Amount(checked(__int128(m_value) - other.m_value));
}

Amount Amount::operator-() const
{
    return Amount(checked(-__int128(m_value)));
}

Amount Amount::operator*(Amount other) const
{
    return Amount(checked(divideToEven(__int128(m_value) * other.m_value, Scale)));
}

Amount Amount::operator*(qint64 factor) const
{
    return Amount(checked(__int128(m_value) * factor));
}

Amount Amount::percentOf(Amount rate) const
{
    // (a/10⁴ × r/10⁴) / 100 in ten-thousandths is a×r / 10⁶: one division, one rounding.
    return Amount(checked(divideToEven(__int128(m_value) * rate.m_value, __int128(Scale) * 100)));
}

Amount Amount::roundedToCents() const
{
    return Amount(checked(divideToEven(m_value, 100) * 100));
}
