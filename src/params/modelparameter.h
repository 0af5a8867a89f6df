#pragma once

#include <cstddef>
#include <string_view>

struct StepParameters;

// One number of the configuration panel, by the name the command line, the
// sweeps and the tuner give it: setpoint, time, kp, ki, kd, amp, and the
// twelve set bounds err-neg.l, err-neg.r, ... derr-pos.r. Each has its spin
// box's range, decimals (time and setpoint 1, gains 3, amplification and
// bounds 2; seconds for time, no unit for the rest) and start value (the
// defaults of StepParameters).
//
// A value is set on a StepParameters as the window and kestrune-sim set it:
// doubles as they are, bounds rounded to float.
class ModelParameter
{
public:
    enum class Field { SetPoint, Time, Kp, Ki, Kd, Amplification, Bound };

    // The whole table, in the order above.
    static const ModelParameter *begin();
    static const ModelParameter *end();
    static std::size_t count();

    // The entry of that name, or nullptr.
    static const ModelParameter *find(std::string_view name);

    std::string_view name() const { return m_name; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    int decimals() const { return m_decimals; }
    Field field() const { return m_field; }

    // Whether the spin box would take v (finite, within the range; any
    // number of decimals).
    bool accepts(double v) const;

    // Bounds: the set (0..2 the error's Negative, Zero, Positive, 3..5 the
    // derivative's), and whether this is its L or its R.
    bool isBound() const { return m_field == Field::Bound; }
    int set() const { return m_set; }
    bool isLeft() const { return m_left; }
    // The error's sets must keep L <= R; the derivative's take any order.
    bool isOrderedBound() const { return isBound() && m_set < 3; }
    // The rule itself, for the set's two bounds as given (compared as
    // doubles, before the rounding to float): the command line rejects a
    // pair that breaks it, a sweep a point, the tuner puts the pair in order
    // and the window moves the box just changed back onto its partner.
    bool inOrder(double left, double right) const { return !isOrderedBound() || left <= right; }
    // The other bound of the same set; nullptr for anything but a bound.
    const ModelParameter *partner() const;

    // The configuration panel's start value.
    double start() const;

    void apply(StepParameters &params, double v) const;

    // The value that params holds. A bound is held as a float; this gives the
    // double of the shortest decimal that rounds to that float, which is the
    // number the user typed (the window's two decimals survive the float).
    double value(const StepParameters &params) const;

    // The constructor is public for the table in the .cpp only.
    constexpr ModelParameter(const char *name, Field field, double minimum, double maximum,
                             int decimals, int set = -1, bool left = false)
        : m_name(name), m_field(field), m_minimum(minimum), m_maximum(maximum),
          m_decimals(decimals), m_set(set), m_left(left)
    {
    }

private:
    const char *m_name;
    Field m_field;
    double m_minimum;
    double m_maximum;
    int m_decimals;
    int m_set;
    bool m_left;
};
