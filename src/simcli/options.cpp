#include "options.h"

#include "numberformat.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>
#include <vector>

namespace simcli {

namespace {

const QString kProgram = QStringLiteral("kestrune-sim");

// One number of the configuration panel.
struct NumberOption {
    const char *name;
    const char *valueName;
    const char *what;
    double minimum;
    double maximum;
    double StepParameters::*field;
    const char *note = "";
};

const NumberOption kNumberOptions[] = {
    { "setpoint", "value", "Target value of the step", 0.0, 100.0, &StepParameters::setPoint },
    { "time", "seconds", "Modelling time in seconds", 0.1, 100.0, &StepParameters::modellingTime,
      "; the loops take the whole 0.2 s steps that fit" },
    { "kp", "gain", "PID proportional gain Kp", 0.0, 1000.0, &StepParameters::kp },
    { "ki", "gain", "PID integral gain Ki", 0.0, 100.0, &StepParameters::ki },
    { "kd", "gain", "PID derivative gain Kd", 0.0, 100.0, &StepParameters::kd },
    { "amp", "value", "Output amplification of the fuzzy controller", 0.1, 100.0,
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

constexpr double kBoundMin = -10.0;
constexpr double kBoundMax = 10.0;

QString optionText(const char *name)
{
    return QStringLiteral("--") + QLatin1String(name);
}

QString accepts(const NumberOption &entry)
{
    return QStringLiteral("a number from %1 to %2")
            .arg(formatNumber(entry.minimum), formatNumber(entry.maximum));
}

QString accepts(const BoundsOption &entry)
{
    QString text = QStringLiteral("two numbers L,R from %1 to %2")
                           .arg(formatNumber(kBoundMin), formatNumber(kBoundMax));
    if (!entry.derivative)
        text += QStringLiteral(" with L <= R");
    return text;
}

const QString kAcceptsPath = QStringLiteral("a file path to write, or - for standard output");

// The user's text, quoted for a one-line message: control characters are
// shown as '?' and very long values are cut.
QString quoted(const QString &text)
{
    QString shown = text.left(60);
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('?');
    }
    if (text.size() > shown.size())
        shown += QStringLiteral("...");
    return QLatin1Char('\'') + shown + QLatin1Char('\'');
}

QString errorLine(const QString &subject, const QString &problem, const QString &expected)
{
    QString line = kProgram + QStringLiteral(": ") + subject;
    if (!problem.isEmpty())
        line += QStringLiteral(": ") + problem;
    if (!expected.isEmpty())
        line += QStringLiteral("; expects ") + expected;
    return line;
}

enum class NumberStatus { Ok, NotANumber, NotFinite };

NumberStatus readNumber(const QString &text, double &value)
{
    bool ok = false;
    // QString::toDouble always reads the C locale's form and ignores
    // surrounding blanks; it reports infinities and NaN as valid numbers.
    const double v = text.toDouble(&ok);
    if (!ok || text.trimmed().isEmpty())
        return NumberStatus::NotANumber;
    if (!std::isfinite(v))
        return NumberStatus::NotFinite;
    value = v == 0.0 ? 0.0 : v; // no negative zero
    return NumberStatus::Ok;
}

// Reads one number in [minimum, maximum]; on failure sets error.
bool readBounded(const QString &option, const QString &text, double minimum, double maximum,
                 const QString &expected, double &value, QString &error)
{
    switch (readNumber(text, value)) {
    case NumberStatus::NotANumber:
        error = errorLine(option, quoted(text) + QStringLiteral(" is not a number"), expected);
        return false;
    case NumberStatus::NotFinite:
        error = errorLine(option, quoted(text) + QStringLiteral(" is not a finite number"),
                          expected);
        return false;
    case NumberStatus::Ok:
        break;
    }
    if (value < minimum || value > maximum) {
        error = errorLine(option, quoted(text) + QStringLiteral(" is out of range"), expected);
        return false;
    }
    return true;
}

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption output{ { QStringLiteral("o"), QStringLiteral("output") },
                               QStringLiteral("Write to <file> instead of standard output (- is "
                                              "standard output); the file is written whole "
                                              "or not at all."),
                               QStringLiteral("file") };
    QCommandLineOption metrics{ QStringLiteral("metrics"),
                                QStringLiteral("Write the step-response metrics of each loop "
                                               "instead of the samples (definitions below).") };
    QCommandLineOption trace{ QStringLiteral("trace"),
                              QStringLiteral("Write the fuzzy loop step by step instead of the "
                                             "samples (columns below).") };

    Parser()
    {
        parser.setApplicationDescription(
                QStringLiteral("Runs Kestrune's step modelling run without the window: the "
                               "response of the\nplant to a step of the target value with the "
                               "plain closed loop, the PID loop\nand the fuzzy loop, written as "
                               "CSV."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        const StepParameters defaults;
        for (const NumberOption &entry : kNumberOptions) {
            parser.addOption(QCommandLineOption(
                    QLatin1String(entry.name),
                    QStringLiteral("%1, %2 to %3 (default %4)%5.")
                            .arg(QLatin1String(entry.what), formatNumber(entry.minimum),
                                 formatNumber(entry.maximum), formatNumber(defaults.*entry.field),
                                 QLatin1String(entry.note)),
                    QLatin1String(entry.valueName)));
        }
        for (const BoundsOption &entry : kBoundsOptions) {
            const auto &set = entry.derivative ? defaults.dErrSets[entry.index]
                                              : defaults.errSets[entry.index];
            parser.addOption(QCommandLineOption(
                    QLatin1String(entry.name),
                    QStringLiteral("%1: bounds %2 to %3%4 (default %5,%6).")
                            .arg(QLatin1String(entry.what), formatNumber(kBoundMin),
                                 formatNumber(kBoundMax),
                                 entry.derivative ? QStringLiteral(", any order")
                                                 : QStringLiteral(", L <= R"),
                                 formatFloat(set.left), formatFloat(set.right)),
                    QStringLiteral("L,R")));
        }
        parser.addOption(output);
        parser.addOption(metrics);
        parser.addOption(trace);
        // Our own help and version options: QCommandLineParser's would add
        // --help-all, about Qt's GUI options, which this program has none of.
        parser.addOption(QCommandLineOption({ QStringLiteral("h"), QStringLiteral("help") },
                                            QStringLiteral("Show this help and exit.")));
        parser.addOption(QCommandLineOption({ QStringLiteral("v"), QStringLiteral("version") },
                                            QStringLiteral("Show the version and exit.")));
    }
};

// The option as the user typed it (for "-kp" as well as "--kp"), for
// messages about an option that QCommandLineParser names without dashes.
QString typedOption(const QString &name, const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--"))
            break;
        QString bare = arg.section(QLatin1Char('='), 0, 0);
        QString stripped = bare;
        while (stripped.startsWith(QLatin1Char('-')))
            stripped.remove(0, 1);
        if (stripped == name && bare.startsWith(QLatin1Char('-')))
            return bare;
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// What an option accepts, by its name without dashes; empty if unknown.
QString acceptsFor(const QString &name)
{
    for (const NumberOption &entry : kNumberOptions) {
        if (name == QLatin1String(entry.name))
            return accepts(entry);
    }
    for (const BoundsOption &entry : kBoundsOptions) {
        if (name == QLatin1String(entry.name))
            return accepts(entry);
    }
    if (name == QLatin1String("output") || name == QLatin1String("o"))
        return kAcceptsPath;
    return {};
}

QString canonicalOption(const QString &typed)
{
    QString name = typed;
    while (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    if (name == QLatin1String("o"))
        name = QStringLiteral("output");
    return QStringLiteral("--") + name;
}

// Turns QCommandLineParser's error into our one-line message.
QString parserError(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        return errorLine(QStringLiteral("unknown option ") + quoted(typedOption(unknown.first(),
                                                                               arguments)),
                         QString(), QStringLiteral("the options listed by --help"));
    }
    const QString text = parser.errorText();
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
    static const QRegularExpression unexpected(
            QStringLiteral("^Unexpected value after '(.*)'\\.$"));
    if (const auto m = missing.match(text); m.hasMatch()) {
        const QString option = canonicalOption(m.captured(1));
        return errorLine(option, QStringLiteral("missing value"), acceptsFor(option.mid(2)));
    }
    if (const auto m = unexpected.match(text); m.hasMatch()) {
        return errorLine(canonicalOption(m.captured(1)), QStringLiteral("takes no value"),
                         QString());
    }
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return kProgram + QStringLiteral(": ") + line;
}

const char *const kEpilogue = R"(
Numbers use '.' as the decimal point and are used exactly as given. The window
keeps fewer decimals (time and setpoint 1, Kp/Ki/Kd 3, amplification and set
bounds 2); values with no more decimals than that give exactly the window's
curves. Set bounds are rounded to float, as in the window. An option given
twice keeps its last value. Negative values may follow the option as the next
argument: --err-neg -1.5,-0.1 (or --err-neg=-1.5,-0.1).

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

Metrics, with sp the setpoint, y_k the samples, t_k their stamps, e_k = sp - y_k
(NaN samples are skipped where a metric looks for values):
  peak, peak_time       largest sample and its first stamp
  overshoot_percent     max(0, peak - sp) / sp * 100; n/a for sp = 0
  rise_time             t(first y >= 90% sp) - t(first y >= 10% sp), by sample
                        stamps (0 if one step crosses both); n/a for sp = 0 or
                        when 90% is never reached
  settling_time         first stamp from which every later sample is within
                        2% of sp (|e_k| <= 0.02 sp), if that final stretch is
                        at least 5 samples and at least 10% of the run's
                        samples; n/a otherwise (a loop that ends inside the
                        band by chance, a limit cycle, has not settled), and
                        for sp = 0
  final_value           the last sample; n/a if NaN
  steady_state_error    sp - final_value
  iae, ise              sum of |e_k| * 0.2 and of e_k^2 * 0.2; inf if a sample
                        is infinite, also when NaN samples follow (a diverging
                        loop); otherwise n/a if a sample is NaN
  With no samples (--time below 0.2) every metric is n/a.

Exit status: 0 on success, 2 on bad input or an unwritable --output (one line on
stderr, nothing on stdout, no file written), 1 if standard output fails.

Examples:
  kestrune-sim > run.csv
  kestrune-sim --time 60 --kp 2 --ki 0.5 --kd 0 --metrics
  kestrune-sim --amp 0.25 --err-zero -0.2,0.2 --trace -o trace.csv
)";

} // namespace

QString helpText()
{
    Parser p;
    // QCommandLineParser puts the path it was started with in the usage line;
    // show the plain program name instead.
    QString text = p.parser.helpText();
    const int firstLineEnd = text.indexOf(QLatin1Char('\n'));
    text = QStringLiteral("Usage: ") + kProgram + QStringLiteral(" [options]")
            + (firstLineEnd < 0 ? QString() : text.mid(firstLineEnd));
    text += QString::fromLatin1(kEpilogue);
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString versionText()
{
    return kProgram + QStringLiteral(" ") + QStringLiteral(KESTRUNE_VERSION);
}

ParseResult parseArguments(const QStringList &arguments)
{
    ParseResult result;
    auto fail = [&result](const QString &message) {
        result.status = ParseResult::Error;
        result.text = message;
        return result;
    };

    Parser p;
    QCommandLineParser &parser = p.parser;
    if (!parser.parse(arguments))
        return fail(parserError(parser, arguments));

    if (parser.isSet(QStringLiteral("help"))) {
        result.status = ParseResult::ShowHelp;
        result.text = helpText();
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.status = ParseResult::ShowVersion;
        result.text = versionText();
        return result;
    }
    const QStringList stray = parser.positionalArguments();
    if (!stray.isEmpty()) {
        return fail(errorLine(QStringLiteral("unexpected argument ") + quoted(stray.first()),
                              QString(), QStringLiteral("options only, see --help")));
    }

    StepParameters &params = result.options.params;
    QString error;
    for (const NumberOption &entry : kNumberOptions) {
        const QString name = QLatin1String(entry.name);
        if (!parser.isSet(name))
            continue;
        double value = 0.0;
        if (!readBounded(optionText(entry.name), parser.value(name), entry.minimum, entry.maximum,
                         accepts(entry), value, error))
            return fail(error);
        params.*entry.field = value;
    }

    for (const BoundsOption &entry : kBoundsOptions) {
        const QString name = QLatin1String(entry.name);
        if (!parser.isSet(name))
            continue;
        const QString option = optionText(entry.name);
        const QString text = parser.value(name);
        const QStringList parts = text.split(QLatin1Char(','));
        if (parts.size() != 2) {
            return fail(errorLine(option, quoted(text) + QStringLiteral(" is not two numbers"),
                                  accepts(entry)));
        }
        double left = 0.0;
        double right = 0.0;
        if (!readBounded(option, parts.at(0), kBoundMin, kBoundMax, accepts(entry), left, error)
            || !readBounded(option, parts.at(1), kBoundMin, kBoundMax, accepts(entry), right,
                            error))
            return fail(error);
        // The window compares the boxes' doubles, before rounding to float.
        if (!entry.derivative && left > right) {
            return fail(errorLine(option,
                                  QStringLiteral("L %1 is above R %2")
                                          .arg(formatNumber(left), formatNumber(right)),
                                  accepts(entry)));
        }
        FuzzySet &set = entry.derivative ? params.dErrSets[entry.index]
                                        : params.errSets[entry.index];
        set.left = static_cast<float>(left);
        set.right = static_cast<float>(right);
    }

    if (parser.isSet(p.output)) {
        const QString path = parser.value(p.output);
        if (path.isEmpty())
            return fail(errorLine(QStringLiteral("--output"), QStringLiteral("empty path"),
                                  kAcceptsPath));
        result.options.outputPath = path;
    }

    if (parser.isSet(p.metrics) && parser.isSet(p.trace)) {
        return fail(errorLine(QStringLiteral("--metrics and --trace"),
                              QStringLiteral("cannot be combined"),
                              QStringLiteral("at most one of them")));
    }
    if (parser.isSet(p.metrics))
        result.options.output = OutputKind::Metrics;
    else if (parser.isSet(p.trace))
        result.options.output = OutputKind::Trace;
    return result;
}

} // namespace simcli
