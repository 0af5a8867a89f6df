#include "numberformat.h"

#include <charconv>
#include <cmath>

namespace simcli {

namespace {

template<typename T>
QString shortest(T value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

} // namespace

QString formatNumber(double value)
{
    return shortest(value);
}

QString formatFloat(float value)
{
    return shortest(value);
}

} // namespace simcli
