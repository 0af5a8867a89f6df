#pragma once

#include <QAbstractSpinBox>
#include <QString>

#include <array>

// What the configuration panel's eighteen spin boxes must start with.
struct SpinBoxSettings {
    const char *name;
    double minimum;
    double maximum;
    double singleStep;
    int decimals;
    double value;
    const char *suffix; // UTF-8
    bool wrapping;
    QAbstractSpinBox::ButtonSymbols buttons;
    bool accelerated;
};

// The twelve fuzzy-set boxes come first, in the order of the six records.
inline const std::array<SpinBoxSettings, 18> &spinBoxSettings()
{
    constexpr auto Arrows = QAbstractSpinBox::UpDownArrows;
    static const std::array<SpinBoxSettings, 18> table = {{
        {"sbErrKNeg_L", -10, 10, 0.1, 2, -1.5, "", false, Arrows, false},
        {"sbErrKNeg_R", -10, 10, 0.1, 2, -0.1, "", false, Arrows, false},
        {"sbErrKZero_L", -10, 10, 0.1, 2, -0.1, "", false, Arrows, false},
        {"sbErrKZero_R", -10, 10, 0.1, 2, 0.1, "", false, Arrows, false},
        {"sbErrKPos_L", -10, 10, 0.1, 2, 0.1, "", false, Arrows, false},
        {"sbErrKPos_R", -10, 10, 0.1, 2, 1.5, "", false, Arrows, false},
        {"sbDErrKNeg_L", -10, 10, 0.1, 2, -1.5, "", false, Arrows, false},
        {"sbDErrKNeg_R", -10, 10, 0.1, 2, -0.05, "", false, Arrows, false},
        {"sbDErrKZero_L", -10, 10, 0.1, 2, -1.0, "", false, Arrows, false},
        {"sbDErrKZero_R", -10, 10, 0.1, 2, 1.0, "", false, Arrows, false},
        {"sbDErrKPos_L", -10, 10, 0.1, 2, 0.05, "", false, Arrows, false},
        {"sbDErrKPos_R", -10, 10, 0.1, 2, 1.5, "", false, Arrows, false},
        {"sbOutputAmp", 0.1, 100, 0.05, 2, 0.5, "", false, Arrows, true},
        {"sbKp", 0, 1000, 0.1, 3, 0.5, "", false, Arrows, true},
        {"sbKi", 0, 100, 0.1, 3, 0.3, "", false, Arrows, true},
        {"sbKd", 0, 100, 0.1, 3, 0.2, "", false, Arrows, true},
        {"sbModelTime", 0.1, 100, 1, 1, 20, " \xd1\x81", false, Arrows, true},
        {"sbSetPoint", 0, 100, 0.1, 1, 1.0, "", false, Arrows, true},
    }};
    return table;
}
