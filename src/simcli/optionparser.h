#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace simcli {

// What an option takes. Each kind has its reader, which checks a value and
// says what is wrong with it, its "expects ..." text for messages and its
// part of the help line: one row per kind in optionparser.cpp.
enum class OptionKind {
    Switch, // no value: --metrics
    Number, // one finite number from minimum to maximum
    Bounds, // "L,R" as one argument, both from minimum to maximum; L <= R if ordered
            // (L < R if strict as well); valueName names the two: "LO,HI"
    Path,   // a file path to write, or - for standard output
    Integer, // one whole number from minimum to maximum
    Choice,  // one of the texts in choices
    Text,    // a text that the option's check reads: --sweep kp=0:5:0.25, --size 800x600
};

// The value of one occurrence of an option, as its kind read it.
struct OptionValue {
    QString text;                // as given
    std::vector<double> numbers; // Number and Integer: the number; Bounds: L and R
};

// One option: its names, its kind with the kind's limits, its help line and
// what a valid occurrence does.
struct OptionEntry {
    QStringList names;   // without dashes, the short one first: { "o", "output" }
    OptionKind kind = OptionKind::Switch;
    QString valueName;   // the help line's placeholder: --kp <gain>
    QString description; // the help line's text; the kind adds its range
    double minimum = 0.0; // Number, Bounds and Integer
    double maximum = 0.0;
    bool aboveMinimum = false; // Number: minimum itself is refused (0 < U)
    bool ordered = false; // Bounds: L <= R
    bool strict = false;  // Bounds, ordered: L < R
    QString defaultText;  // shown as "(default ...)" unless empty
    QString note;         // follows the default: "; the loops take ..."
    QStringList choices;  // Choice: the texts it takes, the default first
    // Text: what the value must look like, for messages ("WxH, each side from
    // 100 to 10000"), and the check of a value, which returns what is wrong
    // with it (empty if nothing) and may fill value.numbers.
    QString textExpects;
    std::function<QString(OptionValue &value)> check;
    // What the option needs beside it, and what it cannot be combined with,
    // checked once the whole command line is read: each need names an option
    // (without dashes) and how often it must be given ("--plot with two
    // --sweep"). The help line says both.
    struct Need {
        QString option;
        int times = 1;
    };
    std::vector<Need> needs;
    QStringList excludes; // option names without dashes
    // Text: the value names a file of options (option,value rows) that the
    // parser reads and applies where this option stands.
    bool readsOptionFile = false;

    // Runs for every valid occurrence, in the order of the command line: an
    // option that stores its value ends with the last one, an option that
    // collects its values (a repeatable option) keeps every one.
    std::function<void(const OptionValue &)> apply;
};

// What a file option (OptionKind::Path) expects, for its messages: "a file
// path to write, or - for standard output".
QString pathExpectation();

// Reads a command line against a table of options.
//
// An option is written with one or two dashes before any of its names
// (-kp, --kp, -o, --output). Its value follows after '=' (--kp=0.5) or as the
// next argument (--kp 0.5, --err-neg -1.5,-0.1: a value may start with '-');
// an argument that starts with "--" or is one of the options is never taken
// as a value, so "--kp --ki 1" lacks the value of --kp. Every occurrence is
// checked, the first fault ends the parse with one line that names the
// option and what it expects. "--" ends the options; nothing may follow it,
// nor any other argument that is not an option.
//
// An option file (OptionEntry::readsOptionFile) is CSV with the header
// option,value and one row per option: its name without dashes, then its
// value as it would follow on the command line, in double quotes when it
// holds a comma ("" for a quote). Only options that take a number or two
// can stand in it. Its rows apply in order where the file's option stands,
// so an option after it on the command line overrides a row. A fault is
// reported with the file and its line.
class OptionParser
{
public:
    explicit OptionParser(std::vector<OptionEntry> options);

    // Reads arguments (arguments[0] is the program), calling each valid
    // occurrence's apply in order, then checks what the given options need
    // and exclude. False at the first fault, with its message in
    // errorText().
    bool parse(const QStringList &arguments);
    QString errorText() const { return m_error; }

    // The options' help lines: names and placeholder, then the text wrapped
    // to 80 columns. Ends in a newline.
    QString optionsHelp() const;

    // The same, one entry per option: its long name (without dashes), its
    // names and placeholder ("--kp <gain>") and its help text unwrapped.
    struct HelpEntry {
        QString name;
        QString names;
        QString text;
    };
    std::vector<HelpEntry> helpEntries() const;

    // The same entries as roff for a man page's OPTIONS section: for each a
    // .TP paragraph with the names and placeholder as its tag and the help
    // text as its body, escaped so that groff prints it as it stands.
    QString manOptions() const;

    // What the option accepts, for messages: "a number from 0 to 1000".
    static QString expects(const OptionEntry &option);

    // The name that messages use: "--output".
    static QString displayName(const OptionEntry &option);

private:
    bool take(const OptionEntry &option, OptionValue value, bool hasValue,
              const QString *following, std::vector<int> &given, const QString &where);
    bool readOptionFile(const QString &path, std::vector<int> &given, const QString &where);
    const OptionEntry *find(const QString &typed) const;
    bool checkCombination(const std::vector<int> &given);
    int indexOf(const QString &name) const;
    bool isOption(const QString &argument) const;
    bool fail(const QString &message);

    std::vector<OptionEntry> m_options;
    QString m_error;
};

} // namespace simcli
