#include "options.h"

#include "figureformat.h"
#include "messagetext.h"
#include "modelparameter.h"
#include "numberformat.h"
#include "optionparser.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <array>
#include <cmath>

#include <vector>

namespace simcli {

namespace {

// One number of the configuration panel; its range is the parameter's of
// the same name.
struct NumberOption {
    const char *name;
    const char *valueName;
    const char *what;
    double StepParameters::*field;
    const char *note = "";
};

const NumberOption kNumberOptions[] = {
    { "setpoint", "value", "Target value of the step", &StepParameters::setPoint },
    { "time", "seconds", "Modelling time in seconds", &StepParameters::modellingTime,
      "; the loops take the whole 0.2 s steps that fit" },
    { "kp", "gain", "PID proportional gain Kp", &StepParameters::kp },
    { "ki", "gain", "PID integral gain Ki", &StepParameters::ki },
    { "kd", "gain", "PID derivative gain Kd", &StepParameters::kd },
    { "amp", "value", "Output amplification of the fuzzy controller",
      &StepParameters::amplification },
};

// One fuzzy set given as "L,R".
struct BoundsOption {
    const char *name;
    const char *what;
    bool derivative; // which triple: the error's or the derivative's
    int index;       // 0 Negative, 1 Zero, 2 Positive
};

const BoundsOption kBoundsOptions[] = {
    { "err-neg", "Error set Negative", false, 0 },
    { "err-zero", "Error set Zero", false, 1 },
    { "err-pos", "Error set Positive", false, 2 },
    { "derr-neg", "Derivative set Negative", true, 0 },
    { "derr-zero", "Derivative set Zero", true, 1 },
    { "derr-pos", "Derivative set Positive", true, 2 },
};

// What the command line sets.
struct Settings {
    CliOptions options;
    bool metrics = false;
    bool trace = false;
    bool help = false;
    bool version = false;
};

bool isCsvPath(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
}

// A file whose extension says what to write into it: a figure's, or with
// withCsv also the surface's CSV.
OptionEntry figureFileOption(const char *name, const char *description, bool withCsv,
                            QString &path)
{
    OptionEntry row;
    row.names = QStringList{ QLatin1String(name) };
    row.kind = OptionKind::Text;
    row.valueName = QStringLiteral("file");
    row.description = QLatin1String(description);
    const QString endings = withCsv ? QStringLiteral(".csv, .png, .svg or .pdf")
                                    : QStringLiteral(".png, .svg or .pdf");
    row.textExpects = QStringLiteral("a file name ending in ") + endings;
    row.check = [withCsv, endings](OptionValue &value) {
        FigureFormat::Format format;
        if (FigureFormat::formatOf(value.text, format) || (withCsv && isCsvPath(value.text)))
            return QString();
        return quoted(value.text) + QStringLiteral(" does not end in ") + endings;
    };
    row.apply = [&path](const OptionValue &value) { path = value.text; };
    return row;
}

OptionEntry sizeOption(FigureOptions &figures)
{
    // The smallest figure whose charts still have room for their scales,
    // titles and legends: below it Qt has no room to draw a chart's frame.
    constexpr int kMinWidth = 300;
    constexpr int kMinHeight = 200;
    constexpr int kMaxSide = 10000;
    OptionEntry row;
    row.names = QStringList{ QStringLiteral("size") };
    row.kind = OptionKind::Text;
    row.valueName = QStringLiteral("WxH");
    row.description = QStringLiteral("Size of every figure in pixels, W from 300 and H from 200, "
                                      "each up to 10000; SVG and PDF get the same size at 96 "
                                      "dpi");
    row.defaultText = QStringLiteral("%1x%2").arg(figures.width).arg(figures.height);
    row.textExpects = QStringLiteral("WxH, whole numbers W from 300 and H from 200, each up to 10000");
    row.check = [](OptionValue &value) {
        static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})[xX]([0-9]{1,9})$"));
        const QRegularExpressionMatch match = form.match(value.text.trimmed());
        if (!match.hasMatch())
            return quoted(value.text) + QStringLiteral(" is not WxH");
        const int width = match.captured(1).toInt();
        const int height = match.captured(2).toInt();
        if (width < kMinWidth || width > kMaxSide || height < kMinHeight || height > kMaxSide)
            return quoted(value.text) + QStringLiteral(" is out of range");
        value.numbers = { double(width), double(height) };
        return QString();
    };
    row.apply = [&figures](const OptionValue &value) {
        figures.width = static_cast<int>(value.numbers.at(0));
        figures.height = static_cast<int>(value.numbers.at(1));
    };
    return row;
}

// --loops closed,pid,fuzzy: any of the three, in any order, each once.
OptionEntry loopsOption(FigureOptions &figures)
{
    static const QStringList names{ QStringLiteral("closed"), QStringLiteral("pid"),
                                     QStringLiteral("fuzzy") };
    OptionEntry row;
    row.names = QStringList{ QStringLiteral("loops") };
    row.kind = OptionKind::Text;
    row.valueName = QStringLiteral("LIST");
    row.description = QStringLiteral("The responses that --plot shows, of the run or of a sweep, "
                                      "as the window's legend boxes choose them: any of closed, "
                                      "pid and fuzzy, separated by commas");
    row.defaultText = QStringLiteral("closed,pid,fuzzy");
    row.needs = { { QStringLiteral("plot") } };
    row.excludes = QStringList{ QStringLiteral("tune") };
    row.textExpects = QStringLiteral("one or more of closed, pid, fuzzy, separated by commas");
    row.check = [](OptionValue &value) {
        std::array<bool, 3> seen{};
        for (const QString &name : value.text.split(QLatin1Char(','))) {
            const int loop = names.indexOf(name.trimmed());
            if (loop < 0)
                return quoted(name) + QStringLiteral(" is no loop");
            if (seen[std::size_t(loop)])
                return quoted(name) + QStringLiteral(" is given twice");
            seen[std::size_t(loop)] = true;
            value.numbers.push_back(loop);
        }
        return QString();
    };
    row.apply = [&figures](const OptionValue &value) {
        figures.loops = {};
        for (const double loop : value.numbers)
            figures.loops[std::size_t(loop)] = true;
    };
    return row;
}

// --y-range data, or LO,HI: the results figure's y axis.
OptionEntry yRangeOption(FigureOptions &figures)
{
    OptionEntry row;
    row.names = QStringList{ QStringLiteral("y-range") };
    row.kind = OptionKind::Text;
    row.valueName = QStringLiteral("RANGE");
    row.description = QStringLiteral("The y axis of the results figure: data spans every finite "
                                      "output of the loops shown, LO,HI is given by hand (LO < "
                                      "HI); by default 0 to the run's peak, as the window "
                                      "shows it, and an output beyond is reported on standard "
                                      "error");
    row.needs = { { QStringLiteral("plot") } };
    row.excludes = QStringList{ QStringLiteral("sweep"), QStringLiteral("tune") };
    row.textExpects = QStringLiteral("data, or LO,HI with finite numbers LO < HI");
    row.check = [](OptionValue &value) {
        if (value.text == QLatin1String("data"))
            return QString();
        const QStringList parts = value.text.split(QLatin1Char(','));
        bool okLow = false;
        bool okHigh = false;
        const double low = parts.size() == 2 ? parts[0].trimmed().toDouble(&okLow) : 0.0;
        const double high = parts.size() == 2 ? parts[1].trimmed().toDouble(&okHigh) : 0.0;
        if (!okLow || !okHigh || !std::isfinite(low) || !std::isfinite(high))
            return quoted(value.text) + QStringLiteral(" is neither data nor LO,HI");
        if (!(low < high))
            return quoted(value.text) + QStringLiteral(" has LO not below HI");
        value.numbers = { low, high };
        return QString();
    };
    row.apply = [&figures](const OptionValue &value) {
        if (value.numbers.empty()) {
            figures.yRange = FigureOptions::YRange::Data;
            return;
        }
        figures.yRange = FigureOptions::YRange::Given;
        figures.yLow = value.numbers.at(0);
        figures.yHigh = value.numbers.at(1);
    };
    return row;
}

// The figure options, one block of the table.
void addFigureOptions(std::vector<OptionEntry> &table, FigureOptions &figures)
{
    table.push_back(figureFileOption("plot",
                                     "Draw the results chart of the run, as the window shows it "
                                     "after F5, into <file> (PNG, SVG or PDF by its extension); "
                                     "with --sweep the metric against the swept value, with "
                                     "--tune the loop before and after",
                                     false, figures.plotPath));
    table.push_back(figureFileOption("plot-membership",
                                     "Draw both membership charts, the error's above the "
                                     "derivative's, with a legend of the sets, into <file>",
                                     false, figures.membershipPath));
    table.push_back(figureFileOption("surface",
                                     "Write the controller's decision surface, the level V for "
                                     "every point (e, de) of a grid, into <file>: CSV, or a map "
                                     "as PNG, SVG or PDF",
                                     true, figures.surfacePath));

    OptionEntry points;
    points.names = QStringList{ QStringLiteral("surface-points") };
    points.kind = OptionKind::Integer;
    points.valueName = QStringLiteral("n");
    points.description = QStringLiteral("Grid points of the surface on each axis");
    points.minimum = 2;
    points.maximum = 1001;
    points.defaultText = QString::number(figures.surfacePoints);
    points.apply = [&figures](const OptionValue &value) {
        figures.surfacePoints = static_cast<int>(value.numbers.at(0));
    };
    table.push_back(std::move(points));

    OptionEntry range;
    range.names = QStringList{ QStringLiteral("surface-range") };
    range.kind = OptionKind::Bounds;
    range.valueName = QStringLiteral("LO,HI");
    range.description = QStringLiteral("Range of the surface's grid on both axes");
    // The bound boxes' range, which the membership charts' polylines span.
    range.minimum = -10.0;
    range.maximum = 10.0;
    range.ordered = true;
    range.strict = true;
    range.defaultText =
            formatNumber(figures.surfaceLow) + QLatin1Char(',') + formatNumber(figures.surfaceHigh);
    range.apply = [&figures](const OptionValue &value) {
        figures.surfaceLow = value.numbers.at(0);
        figures.surfaceHigh = value.numbers.at(1);
    };
    table.push_back(std::move(range));

    table.push_back(sizeOption(figures));
    table.push_back(loopsOption(figures));
    table.push_back(yRangeOption(figures));
}

OptionEntry switchOption(QStringList names, const char *description, bool &flag)
{
    OptionEntry row;
    row.names = std::move(names);
    row.kind = OptionKind::Switch;
    row.description = QLatin1String(description);
    row.apply = [&flag](const OptionValue &) { flag = true; };
    return row;
}

// A row with its names, kind, placeholder and help text.
OptionEntry optionRow(QStringList names, OptionKind kind, QString valueName, QString description)
{
    OptionEntry row;
    row.names = std::move(names);
    row.kind = kind;
    row.valueName = std::move(valueName);
    row.description = std::move(description);
    return row;
}

// The PID loop's actuator limit: not one of the window's boxes.
OptionEntry pidLimitOption(StepParameters &params)
{
    OptionEntry row = optionRow({ QStringLiteral("pid-limit") }, OptionKind::Number,
                                QStringLiteral("U"), QStringLiteral(
            "Bound the PID loop's plant input to [-U, U], as an actuator would: the output is "
            "clamped, and the integral stands still while it would push further past the "
            "bound (conditional integration); for every output and for --tune pid, to compare "
            "with the fuzzy loop's amplification; not a parameter of the window. Range of U"));
    row.minimum = 0.0;
    row.aboveMinimum = true;
    row.maximum = 1000.0;
    row.defaultText = QStringLiteral("none");
    row.apply = [&params](const OptionValue &value) { params.pidLimit = value.numbers.at(0); };
    return row;
}

// The options of kestrune-sim, in the order --help lists them, each writing
// into settings.
std::vector<OptionEntry> optionTable(Settings &settings)
{
    std::vector<OptionEntry> table;
    StepParameters &params = settings.options.params;
    const StepParameters defaults;
    for (const NumberOption &entry : kNumberOptions) {
        OptionEntry row;
        row.names = QStringList{ QLatin1String(entry.name) };
        row.kind = OptionKind::Number;
        row.valueName = QLatin1String(entry.valueName);
        row.description = QLatin1String(entry.what);
        const ModelParameter *parameter = ModelParameter::find(entry.name);
        row.minimum = parameter->minimum();
        row.maximum = parameter->maximum();
        row.defaultText = formatNumber(defaults.*entry.field);
        row.note = QLatin1String(entry.note);
        double StepParameters::*field = entry.field;
        row.apply = [&params, field](const OptionValue &value) {
            params.*field = value.numbers.at(0);
        };
        table.push_back(std::move(row));
        if (field == &StepParameters::kd)
            table.push_back(pidLimitOption(params));
    }
    for (const BoundsOption &entry : kBoundsOptions) {
        FuzzySet &set = entry.derivative ? params.dErrSets[entry.index]
                                         : params.errSets[entry.index];
        const FuzzySet &start = entry.derivative ? defaults.dErrSets[entry.index]
                                                 : defaults.errSets[entry.index];
        OptionEntry row;
        row.names = QStringList{ QLatin1String(entry.name) };
        row.kind = OptionKind::Bounds;
        row.valueName = QStringLiteral("L,R");
        row.description = QLatin1String(entry.what);
        const ModelParameter *left = ModelParameter::find(std::string(entry.name) + ".l");
        row.minimum = left->minimum();
        row.maximum = left->maximum();
        // The window compares the boxes' doubles, before rounding to float.
        row.ordered = left->isOrderedBound();
        row.defaultText = formatFloat(start.left) + QLatin1Char(',') + formatFloat(start.right);
        row.apply = [&set](const OptionValue &value) {
            set.left = static_cast<float>(value.numbers.at(0));
            set.right = static_cast<float>(value.numbers.at(1));
        };
        table.push_back(std::move(row));
    }

    OptionEntry file = optionRow(
            { QStringLiteral("params") }, OptionKind::Text, QStringLiteral("file"),
            QStringLiteral("Read options from <file>, the option,value rows that --tune writes "
                           "(one row per option that takes numbers, a set's \"L,R\" in "
                           "quotes), as if they stood here on the command line: an option "
                           "after --params overrides its row"));
    file.textExpects = QStringLiteral("a file of option,value rows");
    file.check = [](OptionValue &) { return QString(); };
    file.readsOptionFile = true;
    table.push_back(std::move(file));

    OptionEntry output = optionRow(
            { QStringLiteral("o"), QStringLiteral("output") }, OptionKind::Path,
            QStringLiteral("file"),
            QStringLiteral("Write to <file> instead of standard output (- is standard output). "
                           "A regular file, or a new one, is written whole or not at all, "
                           "through a temporary file beside it; a pipe, a device or "
                           "/dev/stdout is written into, never replaced"));
    QString &outputPath = settings.options.outputPath;
    output.apply = [&outputPath](const OptionValue &value) { outputPath = value.text; };
    table.push_back(std::move(output));

    table.push_back(switchOption({ QStringLiteral("metrics") },
                                 "Write the step-response metrics of each loop instead of the "
                                 "samples (definitions below)",
                                 settings.metrics));
    table.push_back(switchOption({ QStringLiteral("trace") },
                                 "Write the fuzzy loop step by step instead of the samples "
                                 "(columns below)",
                                 settings.trace));
    addFigureOptions(table, settings.options.figures);
    for (OptionEntry &row : studyOptionTable(settings.options.study))
        table.push_back(std::move(row));
    // Each of these is its own kind of output.
    const QStringList outputs{ QStringLiteral("metrics"), QStringLiteral("trace"),
                               QStringLiteral("sweep"), QStringLiteral("tune") };
    for (OptionEntry &row : table) {
        if (outputs.contains(row.names.last())) {
            row.excludes = outputs;
            row.excludes.removeAll(row.names.last());
        }
    }
    table.push_back(switchOption({ QStringLiteral("h"), QStringLiteral("help") },
                                 "Show this help and exit", settings.help));
    table.push_back(switchOption({ QStringLiteral("v"), QStringLiteral("version") },
                                 "Show the version and exit", settings.version));
    return table;
}

const char *const kEpilogue = R"(
Numbers use '.' as the decimal point and are used exactly as given; inf, nan
and numbers beyond a double's range are refused. The window keeps fewer
decimals (time and setpoint 1, Kp/Ki/Kd 3, amplification and set bounds 2);
values with no more decimals than that give exactly the window's curves. Set
bounds are rounded to float, as in the window. An option given more than once
must be valid every time; the last value counts. A value follows its option
as the next argument or after '=', and may start with '-':
--err-neg -1.5,-0.1 or --err-neg=-1.5,-0.1 (L and R in one argument). An
argument that starts with -- or is one of the options is never taken as a
value (write --output=--name for such a file).

Output (CSV, '\n' line ends, every number written so that it reads back as
exactly the same double; inf, -inf and nan as such):
  samples   t,closed_loop,pid_loop,fuzzy_control: one row per 0.2 s step, t
            being the sample's time stamp (0.4, 0.6000000000000001, ...).
  --metrics metric,closed_loop,pid_loop,fuzzy_control: one row per metric; a
            metric that the response never reaches is n/a.
  --trace   t,e,de,mu_err_neg,mu_err_zero,mu_err_pos,mu_derr_neg,mu_derr_zero,
            mu_derr_pos,err_set,derr_set,level,u,y: per step of the fuzzy loop
            the stamp of the sample it produces, the error and its derivative as
            rounded to float (written as floats), the six membership degrees,
            the chosen sets, the rule's level V, the plant input u = V * amp and
            the plant output y.
  --sweep   the swept names (kp, kp,kd, up to six), loop, then the metrics:
            per point three rows (closed_loop, pid_loop, fuzzy_control), the
            swept values as the doubles of their exact decimals, the metrics
            as --metrics writes them. A swept value replaces the option's own.
  --tune    option,value: one row per tuned option, each value as the option
            takes it (kp,0.705 or err-neg,"-0.26,-0.19"), all values the
            window's boxes hold (gains with 3 decimals, amp and bounds with 2,
            error sets with L <= R), and pid-limit for a PID tune under
            --pid-limit; --params reads them back. Standard error gets one
            line: the criterion and the overshoot at the given values and at
            the tuned ones, the evaluations and the time.
Sweeps and tunes give the same output for any --threads, and show their
progress on standard error when it is a terminal and the work takes more than
a second.

Metrics, with sp the setpoint, y_k the samples, t_k their stamps, e_k = sp - y_k
(NaN samples are skipped where a metric looks for values):
  peak, peak_time       largest sample and its first stamp
  overshoot_percent     max(0, peak - sp) / sp * 100; n/a for sp = 0. Taken
                        relative to the setpoint, not to the final value as
                        MATLAB's stepinfo and python-control's step_info take
                        it
  rise_time             t(first y >= 90% sp) - t(first y >= 10% sp), by sample
                        stamps (0 if one step crosses both); n/a for sp = 0 or
                        when 90% is never reached
  settling_time         first stamp from which every later sample is within
                        2% of sp (|e_k| <= 0.02 sp), if that final stretch is
                        at least 5 samples and at least 10% of the run's
                        samples; n/a otherwise (a loop that ends inside the
                        band by chance, a limit cycle, has not settled), and
                        for sp = 0. The band lies around the setpoint, not
                        around the final value: the plain closed loop, which
                        settles at 0.907 for sp = 1, never settles
  final_value           the last sample; n/a if NaN
  steady_state_error    sp - final_value
  iae, ise, itae        sum of |e_k| * 0.2, of e_k^2 * 0.2 and of
                        t_k * |e_k| * 0.2 (what --criterion itae minimises);
                        inf if a sample is infinite, also when NaN samples
                        follow (a diverging loop); otherwise n/a if a sample
                        is NaN
  Times are the chart's stamps: the output after the k-th step (k = 1, 2, ...)
  is stamped 0.2 (k + 1) s, the first at 0.4 s, and the loop feeds back the
  previous step's output, so rise and peak times read later than a textbook
  loop's.
  With no samples (--time below 0.2) every metric is n/a.

Figures (--plot, --plot-membership, and --surface to an image) are the
window's own charts, PNG, SVG or PDF by the file's extension in any case,
--size pixels large. They need no display: they are drawn on Qt's offscreen
platform unless QT_QPA_PLATFORM names another. Figure options alone write
only their files; with -o, --metrics or --trace that output is written too.
Every file is written as -o writes it: a regular file whole or not at all,
as a new file with the old one's owner, group and mode where the system
allows (a hard link to the old file keeps the old content).
  --surface .csv  e,de,level: one row per grid point, e the outer loop, de the
            inner, both from LO to HI; e and de are written so that they read
            back as exactly the same doubles, and level is the rule's V in
            {-1, 0, 1} that the controller decides for e and de rounded to
            float (its amplification plays no part).
  --surface image  the levels as a map in three colours with a legend, the
            sets' bounds as dashed lines (N.L is the Negative set's L).
  --plot with --sweep  --plot-metric of every loop against the swept value,
            one line per loop, broken where the metric is n/a or inf; for a
            grid of two, a map of it for the --plot-loop's loop, the first
            parameter on x. A metric whose finite values are all positive and
            span three decades or more (one in a map) is drawn on a log scale
            (the map's bar then says log10).
  --plot with --tune  the tuned loop's response at the given values (grey)
            and at the tuned ones (the loop's colour).

Exit status: 0 on success; 2 on bad input or an output file that cannot be
opened, -o's or a figure's (one line on stderr, nothing on stdout, no file
written); 1 if writing an output fails, to a file or to standard output (one
line on stderr naming which and why; no regular file of the call is
replaced, since every output is written in full before any file is);
3 if --tune found no values within --max-overshoot (it writes the closest it
found).

Examples:
  kestrune-sim > run.csv
  kestrune-sim --time 60 --kp 2 --ki 0.5 --kd 0 --metrics
  kestrune-sim --amp 0.25 --err-zero -0.2,0.2 --trace -o trace.csv
  kestrune-sim --time 30 --plot results.pdf --plot-membership sets.png
  kestrune-sim --surface surface.csv --surface-points 61 --surface-range -1.5,1.5
  kestrune-sim --sweep kd=0:2:0.1 -o kd.csv
  kestrune-sim --sweep kp=0:5:0.25 --sweep kd=0:2:0.1
  kestrune-sim --tune pid --max-overshoot 2
  kestrune-sim --tune fuzzy --criterion itae
)";

// What is wrong with the study options beyond their own values (see
// finishStudyOptions); the parser has checked what the options need and
// exclude.
QString outputProblem(Settings &settings)
{
    // A figure maps one parameter to x, or two to x and y.
    const StudyOptions &study = settings.options.study;
    if (!settings.options.figures.plotPath.isEmpty() && study.sweep.size() > 2) {
        return errorLine(QStringLiteral("--plot"),
                         QStringLiteral("cannot draw a sweep of %1 parameters")
                                 .arg(study.sweep.size()),
                         QStringLiteral("one or two --sweep with --plot"));
    }
    return finishStudyOptions(settings.options.study, settings.options.params);
}

} // namespace

bool FigureOptions::drawsFigure() const
{
    return !plotPath.isEmpty() || !membershipPath.isEmpty()
            || (!surfacePath.isEmpty() && !isCsvPath(surfacePath));
}

QString helpText()
{
    Settings unused;
    const OptionParser parser(optionTable(unused));
    QString text = QStringLiteral("Usage: ") + programName()
            + QStringLiteral(" [options]\n"
                             "Runs Kestrune's step modelling run without the window: the "
                             "response of the\nplant to a step of the target value with the "
                             "plain closed loop, the PID loop\nand the fuzzy loop, written as "
                             "CSV.\n\nOptions:\n")
            + parser.optionsHelp() + QString::fromLatin1(kEpilogue);
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString manOptions()
{
    Settings unused;
    return OptionParser(optionTable(unused)).manOptions();
}

std::vector<std::pair<QString, QString>> optionHelp()
{
    Settings unused;
    std::vector<std::pair<QString, QString>> help;
    for (const OptionParser::HelpEntry &entry : OptionParser(optionTable(unused)).helpEntries())
        help.emplace_back(entry.name, entry.names + QStringLiteral(": ") + entry.text);
    return help;
}

QString versionText()
{
    return programName() + QStringLiteral(" ") + QStringLiteral(KESTRUNE_VERSION);
}

ParseResult parseArguments(const QStringList &arguments)
{
    // The table costs more than a short run of the loops: it is built once
    // per thread, its entries writing into settings, which start afresh for
    // every command line.
    struct Table {
        Settings settings;
        OptionParser parser{ optionTable(settings) };
    };
    thread_local Table table;
    table.settings = Settings();
    Settings &settings = table.settings;
    OptionParser &parser = table.parser;
    ParseResult result;
    if (!parser.parse(arguments)) {
        result.status = ParseResult::Error;
        result.text = parser.errorText();
        return result;
    }
    if (settings.help) {
        result.status = ParseResult::ShowHelp;
        result.text = helpText();
        return result;
    }
    if (settings.version) {
        result.status = ParseResult::ShowVersion;
        result.text = versionText();
        return result;
    }
    const QString problem = outputProblem(settings);
    if (!problem.isEmpty()) {
        result.status = ParseResult::Error;
        result.text = problem;
        return result;
    }
    result.options = settings.options;
    const StudyOptions &study = settings.options.study;
    result.options.writesCsv = !settings.options.figures.any()
            || !settings.options.outputPath.isEmpty() || settings.metrics || settings.trace
            || !study.sweep.empty() || study.tune.has_value();
    if (settings.metrics)
        result.options.output = OutputKind::Metrics;
    else if (settings.trace)
        result.options.output = OutputKind::Trace;
    else if (!settings.options.study.sweep.empty())
        result.options.output = OutputKind::Sweep;
    else if (settings.options.study.tune)
        result.options.output = OutputKind::Tune;
    return result;
}

} // namespace simcli
