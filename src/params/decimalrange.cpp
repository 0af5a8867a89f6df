#include "decimalrange.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>

namespace {

constexpr int kMaxDigits = 18;

// A decimal as digits times a power of ten: value = digits * 10^exponent,
// without trailing zeros in digits (so 0 is "" with exponent 0).
struct Decimal {
    bool negative = false;
    std::string digits;
    long exponent = 0;
};

enum class Read { Ok, NotANumber, NotFinite };

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x))
                           == std::tolower(static_cast<unsigned char>(y));
               });
}

Read readDecimal(std::string_view text, Decimal &out)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);
    for (std::string_view word : { "inf", "infinity", "nan" }) {
        if (equalsIgnoringCase(rest, word))
            return Read::NotFinite;
    }
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::string digits;
    long pointShift = 0;
    bool anyDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        digits += text[i];
        anyDigit = true;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            digits += text[i];
            --pointShift;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return Read::NotANumber;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        if (i == text.size())
            return Read::NotANumber;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            // Beyond this the number has far too many digits anyway.
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i] - '0');
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != text.size())
        return Read::NotANumber;

    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        out = Decimal{};
        return Read::Ok;
    }
    const std::size_t last = digits.find_last_not_of('0');
    out.negative = negative;
    out.exponent = exponent + pointShift + static_cast<long>(digits.size() - 1 - last);
    out.digits = digits.substr(first, last - first + 1);
    return Read::Ok;
}

// d * 10^scale as a whole number, if it has at most kMaxDigits digits.
std::optional<std::int64_t> scaled(const Decimal &d, long scale)
{
    if (d.digits.empty())
        return 0;
    const long zeros = d.exponent + scale;
    if (zeros < 0 || static_cast<long>(d.digits.size()) + zeros > kMaxDigits)
        return std::nullopt;
    std::int64_t v = 0;
    for (char c : d.digits)
        v = v * 10 + (c - '0');
    for (long k = 0; k < zeros; ++k)
        v *= 10;
    return d.negative ? -v : v;
}

std::string countText(std::size_t n)
{
    char text[32];
    const auto r = std::to_chars(std::begin(text), std::end(text), n);
    return std::string(text, r.ptr);
}

bool fail(DecimalRange::Error *error, std::string_view value, std::string reason)
{
    if (error)
        *error = { std::string(value), std::move(reason) };
    return false;
}

} // namespace

std::optional<DecimalRange> DecimalRange::parse(std::string_view text, Error *error)
{
    const std::size_t colon1 = text.find(':');
    const std::size_t colon2 = colon1 == std::string_view::npos ? colon1 : text.find(':', colon1 + 1);
    if (colon2 == std::string_view::npos || text.find(':', colon2 + 1) != std::string_view::npos) {
        fail(error, text, "is not FROM:TO:STEP");
        return std::nullopt;
    }
    const std::array<std::string_view, 3> parts = { text.substr(0, colon1),
                                                    text.substr(colon1 + 1, colon2 - colon1 - 1),
                                                    text.substr(colon2 + 1) };
    std::array<Decimal, 3> numbers;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        switch (readDecimal(parts[k], numbers[k])) {
        case Read::NotANumber:
            fail(error, parts[k], "is not a number");
            return std::nullopt;
        case Read::NotFinite:
            fail(error, parts[k], "is not a finite number");
            return std::nullopt;
        case Read::Ok:
            break;
        }
    }

    // The common scale: enough decimals for all three numbers.
    long scale = 0;
    for (const Decimal &d : numbers) {
        if (!d.digits.empty())
            scale = std::max(scale, -d.exponent);
    }
    std::array<std::int64_t, 3> v{};
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        const std::optional<std::int64_t> s = scaled(numbers[k], scale);
        if (!s) {
            fail(error, parts[k], "has too many digits (at most 18, counting the decimals of all three)");
            return std::nullopt;
        }
        v[k] = *s;
    }
    const auto [from, to, step] = v;
    if (step <= 0) {
        fail(error, parts[2], "is not a STEP above 0");
        return std::nullopt;
    }
    if (from > to) {
        fail(error, parts[0], "is above TO " + std::string(parts[1]));
        return std::nullopt;
    }
    // Both are below 10^18 in magnitude, so the difference cannot overflow.
    const auto steps = static_cast<std::uint64_t>(to - from) / static_cast<std::uint64_t>(step);
    if (steps >= kMaxPoints) {
        fail(error, parts[2], "gives more than " + countText(kMaxPoints) + " values");
        return std::nullopt;
    }
    return DecimalRange(from, step, static_cast<int>(scale), static_cast<std::size_t>(steps) + 1);
}

double DecimalRange::operator[](std::size_t k) const
{
    const std::int64_t m = m_from + static_cast<std::int64_t>(k) * m_step;
    // Both operands exact: IEEE division then rounds the exact quotient,
    // which is what reading the decimal text gives.
    constexpr std::int64_t exactLimit = std::int64_t(1) << 53;
    static constexpr double powers[] = { 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
    if (m >= -exactLimit && m <= exactLimit && m_scale < static_cast<int>(std::size(powers)))
        return static_cast<double>(m) / powers[m_scale];

    char text[48];
    auto r = std::to_chars(std::begin(text), std::end(text) - 8, m);
    *r.ptr++ = 'e';
    r = std::to_chars(r.ptr, std::end(text), -m_scale);
    double value = 0.0;
    std::from_chars(text, r.ptr, value);
    return value;
}

std::vector<double> DecimalRange::values() const
{
    std::vector<double> out(m_count);
    for (std::size_t k = 0; k < m_count; ++k)
        out[k] = (*this)[k];
    return out;
}
