#pragma once

#include "fuzzycontroller.h"
#include "pidcontroller.h"

#include <array>
#include <vector>

struct StepParameters;

// The step modelling run: the plant's response to a step of the target value
// from 0 to the setpoint, computed three times over the same time grid, with
// the plain closed loop (u = e), the PID loop and the fuzzy loop.
//
// Each loop takes N steps, where N is the largest n with n * 0.2 <= T in
// exact arithmetic (0.2 being the double nearest to it). The k-th sample is
// stamped 0.2 + k * 0.2 as a running double sum. The peak is the largest
// output of all three loops, starting at 0 and never reset between them.
class StepRun
{
public:
    // One loop's samples: time stamps (s) and plant outputs.
    struct Response {
        std::vector<double> t;
        std::vector<double> y;
    };

    enum Loop { ClosedLoop = 0, PidLoop = 1, FuzzyLoop = 2 };

    struct Result {
        std::array<Response, 3> loops;
        double peak = 0.0;
    };

    // N for a modelling time T; 0 for T below one step, negative, NaN or
    // infinite.
    static int stepCount(double modellingTime);

    // The whole run, loops in order closed, PID, fuzzy.
    static Result run(const StepParameters &params);

    // The loops one at a time, for callers that read their inputs between
    // loops. Each updates peak when an output is strictly greater.
    static Response closedLoop(double setPoint, int steps, double &peak);
    static Response pidLoop(double setPoint, int steps, const PidController &controller,
                            double &peak);
    static Response fuzzyLoop(double setPoint, int steps, const FuzzyController &controller,
                              double &peak);

    // The fuzzy loop with every controller decision, for tracing.
    struct TracedLoop {
        Response response;
        std::vector<FuzzyController::Evaluation> decisions; // one per sample
    };
    static TracedLoop traceFuzzyLoop(double setPoint, int steps,
                                     const FuzzyController &controller);
};
