#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// Step-response metrics of one loop. An empty optional means the response
// never reaches the metric (or it is undefined for this setpoint); it is
// written as "n/a", never as a made-up number.
//
// Definitions, with sp the setpoint, y_k the samples, t_k their time stamps
// (the t column of the CSV) and e_k = sp - y_k. For a negative setpoint every
// comparison is mirrored (peak is then the most negative sample); the CLI's
// range makes sp >= 0, the function accepts any finite sp.
//
// - peak, peakTime: the largest sample and the stamp of its first
//   occurrence. NaN samples are skipped; +inf counts as the largest.
// - overshootPercent: max(0, peak - sp) / |sp| * 100. n/a for sp = 0 (no
//   percentage of zero exists), inf if the peak is infinite.
// - riseTime: t90 - t10, where t10 is the stamp of the first sample at or
//   beyond 10 % of sp and t90 that of the first at or beyond 90 %. Reaching
//   90 % implies reaching 10 %, so t90 >= t10 even for a response that first
//   swings the wrong way or jumps past the setpoint in one step (rise time 0:
//   both thresholds crossed within one step, finer than the 0.2 s grid can
//   tell). n/a for sp = 0 or when 90 % is never reached.
// - settlingTime: the stamp of the first sample from which every sample up to
//   the last one lies within the 2 % band, |e_k| <= 0.02 |sp| (in doubles); a
//   NaN sample is outside the band. That final stretch counts only when it is
//   long enough to mean something: at least kMinSettledSamples samples and at
//   least kMinSettledPercent of the run's samples. n/a when it is shorter (a
//   limit cycle that happens to end inside the band has not settled), when
//   the last sample is outside (the response never settles within the
//   modelling time) and for sp = 0 (the band would be a single point).
// - finalValue: the last sample; n/a if it is NaN.
// - steadyStateError: sp - finalValue (n/a with it).
// - iae, ise: the sums of |e_k| * 0.2 and e_k^2 * 0.2 over all samples. Once
//   any sample is infinite the integral is inf, also when NaN samples follow
//   (a diverging loop reaches inf, then inf - inf gives NaN: the error did
//   grow without bound, which inf says and n/a would hide); otherwise a NaN
//   sample leaves it undefined (n/a).
// - itae: the sum of t_k * |e_k| * 0.2, with the same inf and n/a as iae:
//   the criterion that the tuner's --criterion itae minimises.
// With no samples at all every metric is n/a.
struct LoopMetrics {
    std::optional<double> peak;
    std::optional<double> peakTime;
    std::optional<double> overshootPercent;
    std::optional<double> riseTime;
    std::optional<double> settlingTime;
    std::optional<double> finalValue;
    std::optional<double> steadyStateError;
    std::optional<double> iae;
    std::optional<double> ise;
    std::optional<double> itae;
};

// The shortest final stretch inside the band that counts as settled.
constexpr std::size_t kMinSettledSamples = 5;
constexpr std::size_t kMinSettledPercent = 10;

// The metrics of the samples y with stamps t (same length; extra entries of
// the longer vector are ignored), sampled every 0.2 s.
LoopMetrics computeMetrics(double setPoint, const std::vector<double> &t,
                           const std::vector<double> &y);

