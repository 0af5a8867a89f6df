#include "numberformat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace simcli {

namespace {

// The text of value in buffer; returns its length.
template<typename T>
std::size_t shortest(T value, char (&buffer)[64])
{
    const char *word = nullptr;
    if (std::isnan(value))
        word = "nan";
    else if (std::isinf(value))
        word = value > 0 ? "inf" : "-inf";
    if (word) {
        const std::size_t n = std::strlen(word);
        std::memcpy(buffer, word, n);
        return n;
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return static_cast<std::size_t>(result.ptr - buffer);
}

template<typename T>
QString shortestText(T value)
{
    char buffer[64];
    return QString::fromLatin1(buffer, static_cast<int>(shortest(value, buffer)));
}

} // namespace

QString formatNumber(double value)
{
    return shortestText(value);
}

void appendNumber(std::string &out, double value)
{
    char buffer[64];
    out.append(buffer, shortest(value, buffer));
}

QString formatFloat(float value)
{
    return shortestText(value);
}

} // namespace simcli
