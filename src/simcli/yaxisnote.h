#pragma once

#include "steprun.h"

#include <QString>

#include <array>
#include <optional>

namespace simcli {

// The results figure's y axis against the outputs of the loops it shows
// (shown[loop], by StepRun::Loop): the window's 0 ... peak can hide a loop
// that swings below 0, and a figure must not hide data without a word.

// The lowest and highest finite output of the loops shown, for --y-range
// data; a single value gets half a unit on each side. Nothing when no output
// is finite.
std::optional<std::array<double, 2>> dataRange(const StepRun::Result &result,
                                               const std::array<bool, 3> &shown);

// One line for standard error when a loop shown has a finite output beyond
// the axis: which loops, how far, and the option that shows them; empty
// when every finite output lies on the axis.
QString beyondAxisNote(const StepRun::Result &result, const std::array<bool, 3> &shown,
                       const std::array<double, 2> &yAxis);

} // namespace simcli
