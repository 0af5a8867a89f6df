#pragma once

#include <QString>

struct TuneResult;
struct TuneSettings;

namespace simcli {

// The tuned values as CSV: the header option,value and one row per tuned
// option, each value written as that option takes it, so that the rows can
// be handed back as options: kp,0.705 or err-neg,"-0.26,-0.19" (a set's L
// and R in one field, quoted for its comma). Lines end in '\n'.
QString tuneCsv(const TuneResult &result);

// The run in one line, without a final newline: "kestrune-sim: --tune pid:
// iae 0.30407 -> 0.200698, overshoot 12.5% -> 1.9%, 20000 evaluations,
// 0.04 s"; the overshoot limit and whether it was met when one was given.
QString tuneSummary(const TuneResult &result, const TuneSettings &settings);

} // namespace simcli
