#pragma once

#include "stepparameters.h"
#include "studyoptions.h"

#include <QString>
#include <QStringList>

#include <array>
#include <utility>
#include <vector>

namespace simcli {

// What the program writes.
enum class OutputKind {
    Samples, // the three responses, one row per sample (the default)
    Metrics, // the step-response metrics of each loop (--metrics)
    Trace,   // the fuzzy loop's decisions step by step (--trace)
    Sweep,   // the metrics of every point of a sweep (--sweep)
    Tune,    // the tuned values of one loop (--tune)
};

// The figures to draw and how. An empty path: that figure is not drawn.
struct FigureOptions {
    QString plotPath;       // --plot: the results chart (.png, .svg, .pdf)
    QString membershipPath; // --plot-membership: both membership charts
    QString surfacePath;    // --surface: the decision surface (.csv or a figure)
    int surfacePoints = 121; // per axis
    double surfaceLow = -3.0;
    double surfaceHigh = 3.0;
    int width = 1200; // pixels; SVG and PDF at 96 dpi
    int height = 800;
    // --loops: the responses that the results figure and a sweep's figure
    // show, by StepRun::Loop.
    std::array<bool, 3> loops{ { true, true, true } };
    // --y-range of the results figure: the window's 0 ... peak, every finite
    // output of the loops shown, or yLow ... yHigh.
    enum class YRange { Window, Data, Given };
    YRange yRange = YRange::Window;
    double yLow = 0.0;
    double yHigh = 1.0;

    bool any() const
    {
        return !plotPath.isEmpty() || !membershipPath.isEmpty() || !surfacePath.isEmpty();
    }
    // A figure, not the surface's CSV: the program needs a QApplication.
    bool drawsFigure() const;
};

struct CliOptions {
    StepParameters params;
    OutputKind output = OutputKind::Samples;
    QString outputPath; // empty or "-": standard output
    StudyOptions study;
    // Whether the samples, metrics or trace are written: always, but for a
    // call with figure options alone (no -o, --metrics or --trace).
    bool writesCsv = true;
    FigureOptions figures;
};

struct ParseResult {
    enum Status { Run, ShowHelp, ShowVersion, Error };
    Status status = Run;
    CliOptions options;
    // ShowHelp: the help text; ShowVersion: the version line; Error: one
    // line naming the option and what it accepts. Each without a final
    // newline.
    QString text;
};

// Parses the command line (arguments[0] is the program) into the run's
// parameters, by the rules of OptionParser. Numbers are read with a '.'
// decimal point whatever the locale, must be finite and lie in the
// configuration panel's ranges; they are used exactly as given (the window
// would round them to its boxes' decimals). Every occurrence of an option
// must be valid; the last one counts. Any error, a stray argument beside
// --help or --version included, gives Error.
ParseResult parseArguments(const QStringList &arguments);

// The text of --help.
QString helpText();

// The OPTIONS section of the man page, from the same table as --help.
QString manOptions();

// Every option's long name (without dashes) and its help text, as --help
// gives it, in --help's order.
std::vector<std::pair<QString, QString>> optionHelp();

// The text of --version: "kestrune-sim 1.0.0.0".
QString versionText();

} // namespace simcli
