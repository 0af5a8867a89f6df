#pragma once

#include <QString>

#include <string>

namespace simcli {

// The shortest decimal text that reads back as exactly the same double
// (std::to_chars), independent of the locale: "0.4", "0.6000000000000001",
// "1e+05". Infinities are written "inf" and "-inf", every NaN as "nan".
QString formatNumber(double value);

// The same text appended to bytes, for outputs of millions of numbers.
void appendNumber(std::string &out, double value);

// The same for a float: the shortest text that reads back, as a float, to
// exactly this float ("0.1" for 0.1f).
QString formatFloat(float value);

} // namespace simcli
