#include "fuzzycontroller.h"

#include "plantmodel.h"

#include "numeric.h"

#include <cmath>

FuzzyController::FuzzyController(const SetTriple &errSets, const SetTriple &dErrSets,
                                 double amplification)
    : errSets(errSets), dErrSets(dErrSets), amp(amplification)
{
}

void FuzzyController::reset()
{
    prevError = 0.0;
}

double FuzzyController::membership(const FuzzySet &set, float x)
{
    const double v = x;
    const double l = set.left;
    const double r = set.right;

    switch (set.kind) {
    case Negative:
        if (v <= l)
            return 1.0;
        if (v >= r)
            return 0.0;
        return std::fabs(v - r) / std::fabs(r - l);
    case Positive:
        if (v <= l)
            return 0.0;
        if (v >= r)
            return 1.0;
        return std::fabs(v - l) / std::fabs(r - l);
    case Zero:
        if (v <= l || v >= r)
            return 0.0;
        // Apex at the origin, not at the middle of L and R. Each branch
        // divides only by a bound that lies strictly beyond v, never 0.
        if (v <= 0.0)
            return std::fabs((l - v) / l);
        return std::fabs((r - v) / r);
    }
    return 0.0;
}

FuzzySetKind FuzzyController::dominantSet(double n, double z, double p)
{
    if (z <= n)
        return p <= n ? Negative : Positive;
    return p <= z ? Zero : Positive;
}

int FuzzyController::ruleLevel(FuzzySetKind error, FuzzySetKind derivative)
{
    // Rows: error Negative, Zero, Positive; columns: derivative likewise.
    static constexpr int table[3][3] = {
        { 0, -1, 0 },
        { -1, 0, +1 },
        { 0, +1, 0 },
    };
    const auto row = static_cast<unsigned>(error);
    const auto col = static_cast<unsigned>(derivative);
    if (row > 2 || col > 2)
        return 0;
    return table[row][col];
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
