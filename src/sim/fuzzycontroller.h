#pragma once

#include "fuzzyset.h"
#include "numeric.h"
#include "plantmodel.h"

#include <array>
#include <cmath>

// The three-position fuzzy controller.
//
// Each step rounds the error e and its difference quotient
// de = (e - e_prev) / 0.2 to float, takes each quantity's membership degrees
// in its three sets (Negative, Zero, Positive by position), picks the
// dominant set of each, and looks the pair up in a nine-rule table that
// yields a level V in {-1, 0, +1}. The output is V * amplification. There is
// no weighted inference and no defuzzification by area: the degrees only
// choose one set per input.
class FuzzyController
{
public:
    using SetTriple = std::array<FuzzySet, 3>;

    // Everything one step decides, for tracing a loop step by step.
    struct Evaluation {
        float error = 0.0f;
        float derivative = 0.0f;
        std::array<double, 3> errorDegrees{};
        std::array<double, 3> derivativeDegrees{};
        FuzzySetKind errorSet = Negative;
        FuzzySetKind derivativeSet = Negative;
        int level = 0;
        double output = 0.0;
    };

    FuzzyController() = default;
    FuzzyController(const SetTriple &errSets, const SetTriple &dErrSets, double amplification);

    // Forgets the previous error.
    void reset();

    // The plant input for error e (target minus last output); remembers e.
    // It is evaluate() without the record: inlined, the compiler drops what
    // the output does not need, so the loop keeps its speed.
    double control(double e) { return evaluate(e).output; }

    // One step with every intermediate result; remembers e.
    Evaluation evaluate(double e);

    // The decision for an error and a derivative as the controller sees
    // them, already rounded to float; the previous error is not involved.
    Evaluation classify(float error, float derivative) const;

    // Degree of membership of x in the set, in [0, 1]. The tests are made in
    // a fixed order and the first that holds decides, which defines the
    // shapes for bounds out of their usual order too (a shoulder with L >= R
    // becomes a step at L, a Zero set with L >= R is empty).
    static double membership(const FuzzySet &set, float x);

    // The winner among the degrees of a triple (Negative, Zero, Positive).
    // The largest degree wins; ties go to the earlier set, except that a tie
    // of Zero and Positive above Negative goes to Zero. All zero: Negative.
    static FuzzySetKind dominantSet(double n, double z, double p);

    // The rule table: level by the error's and the derivative's winners.
    static int ruleLevel(FuzzySetKind error, FuzzySetKind derivative);

    const SetTriple &errorSets() const { return errSets; }
    const SetTriple &derivativeSets() const { return dErrSets; }
    double amplification() const { return amp; }

private:
    SetTriple errSets{};
    SetTriple dErrSets{};
    double amp = 0.0;
    double prevError = 0.0;
};

// The per-step functions are inline so that a loop keeps its state in
// registers.

inline double FuzzyController::membership(const FuzzySet &set, float x)
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

inline FuzzySetKind FuzzyController::dominantSet(double n, double z, double p)
{
    if (z <= n)
        return p <= n ? Negative : Positive;
    return p <= z ? Zero : Positive;
}

inline int FuzzyController::ruleLevel(FuzzySetKind error, FuzzySetKind derivative)
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

inline FuzzyController::Evaluation FuzzyController::classify(float error, float derivative) const
{
    Evaluation ev;
    ev.error = error;
    ev.derivative = derivative;
    ev.errorDegrees = { membership(errSets[0], ev.error), membership(errSets[1], ev.error),
                        membership(errSets[2], ev.error) };
    ev.derivativeDegrees = { membership(dErrSets[0], ev.derivative),
                             membership(dErrSets[1], ev.derivative),
                             membership(dErrSets[2], ev.derivative) };
    ev.errorSet = dominantSet(ev.errorDegrees[0], ev.errorDegrees[1], ev.errorDegrees[2]);
    ev.derivativeSet = dominantSet(ev.derivativeDegrees[0], ev.derivativeDegrees[1],
                                   ev.derivativeDegrees[2]);
    ev.level = ruleLevel(ev.errorSet, ev.derivativeSet);
    ev.output = ev.level * amp;
    return ev;
}

inline FuzzyController::Evaluation FuzzyController::evaluate(double e)
{
    const float error = toFloat(e);
    // de from the double errors, not from their float roundings.
    const float derivative = toFloat((e - prevError) / PlantModel::kSampleTime);
    prevError = e;
    return classify(error, derivative);
}
