#include "fuzzycontroller.h"

FuzzyController::FuzzyController(const SetTriple &errSets, const SetTriple &dErrSets,
                                 double amplification)
    : errSets(errSets), dErrSets(dErrSets), amp(amplification)
{
}

void FuzzyController::reset()
{
    prevError = 0.0;
}
