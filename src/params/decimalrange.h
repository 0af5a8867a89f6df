#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The values FROM, FROM + STEP, FROM + 2 STEP, ... up to and including TO,
// given as the decimal text "FROM:TO:STEP" and computed in exact decimal
// arithmetic: the numbers are held as whole multiples of a common power of
// ten, and each value is the double nearest to its exact decimal, as reading
// its text would give (0.1:1:0.1 yields the doubles of 0.1, 0.2, ..., 1 and
// never 0.30000000000000004).
//
// Each number is [+-]digits[.digits][e[+-]digits]. A range holds at most
// kMaxPoints values, and FROM, TO and STEP, written with their common number
// of decimals, at most 18 digits each.
class DecimalRange
{
public:
    static constexpr std::size_t kMaxPoints = 10'000'000;

    // Why a text is not a range: the first bad value as the user wrote it
    // (or the whole text) and what is wrong with it, for a message of the
    // form "'<value>' <reason>".
    struct Error {
        std::string value;
        std::string reason;
    };

    static std::optional<DecimalRange> parse(std::string_view text, Error *error = nullptr);

    std::size_t size() const { return m_count; }
    double operator[](std::size_t k) const;
    std::vector<double> values() const;

private:
    DecimalRange(std::int64_t from, std::int64_t step, int scale, std::size_t count)
        : m_from(from), m_step(step), m_scale(scale), m_count(count)
    {
    }

    // Value k is (m_from + k * m_step) / 10^m_scale.
    std::int64_t m_from;
    std::int64_t m_step;
    int m_scale;
    std::size_t m_count;
};
