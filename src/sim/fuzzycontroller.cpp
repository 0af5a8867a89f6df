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

FuzzyController::Evaluation FuzzyController::evaluate(double e)
{
    Evaluation ev;
    ev.error = toFloat(e);
    ev.derivative = toFloat((e - prevError) / PlantModel::kSampleTime);
    prevError = e;

    for (int i = 0; i < 3; ++i) {
        ev.errorDegrees[i] = membership(errSets[i], ev.error);
        ev.derivativeDegrees[i] = membership(dErrSets[i], ev.derivative);
    }
    ev.errorSet = dominantSet(ev.errorDegrees[0], ev.errorDegrees[1], ev.errorDegrees[2]);
    ev.derivativeSet = dominantSet(ev.derivativeDegrees[0], ev.derivativeDegrees[1],
                                   ev.derivativeDegrees[2]);
    ev.level = ruleLevel(ev.errorSet, ev.derivativeSet);
    ev.output = ev.level * amp;
    return ev;
}
