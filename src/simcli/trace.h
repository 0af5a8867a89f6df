#pragma once

#include "stepparameters.h"

#include <QString>

namespace simcli {

// The fuzzy loop of a run, step by step, as CSV with the header
// t,e,de,mu_err_neg,mu_err_zero,mu_err_pos,mu_derr_neg,mu_derr_zero,mu_derr_pos,
// err_set,derr_set,level,u,y
// t is the stamp of the sample the step produces (the row with the same t in
// the samples CSV); e (setpoint minus the previous output) and de are the
// floats the controller classified, written as floats; the six degrees are
// those of e in the error's sets and of de in the derivative's sets; err_set
// and derr_set are the winners (Negative, Zero, Positive); level is the
// rule's V in {-1, 0, 1}; u = V * amplification is the plant input and y the
// plant output.
QString traceCsv(const StepParameters &params);

} // namespace simcli
