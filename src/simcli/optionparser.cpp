#include "optionparser.h"

#include "messagetext.h"
#include "numberformat.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace simcli {

namespace {

enum class NumberRead { Ok, NotANumber, OutOfRange };

// A number in the C locale's form whatever the program's locale, blanks
// around it and a leading '+' allowed. Infinities, and values beyond a
// double's range, are out of range rather than "not a number"; NaN is not a
// number. Negative zero is read as 0.
NumberRead readNumber(const QString &text, double minimum, double maximum, double &value)
{
    const QByteArray bytes = text.trimmed().toUtf8();
    const char *begin = bytes.constData();
    const char *const end = begin + bytes.size();
    if (end - begin > 1 && *begin == '+' && begin[1] != '+' && begin[1] != '-')
        ++begin;
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(begin, end, v);
    if (begin == end || ptr != end || ec == std::errc::invalid_argument)
        return NumberRead::NotANumber;
    if (ec == std::errc::result_out_of_range)
        return NumberRead::OutOfRange;
    if (std::isnan(v))
        return NumberRead::NotANumber;
    if (!(v >= minimum && v <= maximum))
        return NumberRead::OutOfRange;
    value = v == 0.0 ? 0.0 : v;
    return NumberRead::Ok;
}

bool isNumber(const QString &text)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    double ignored = 0.0;
    return readNumber(text, -inf, inf, ignored) != NumberRead::NotANumber;
}

bool readBounded(const OptionEntry &option, const QString &text, double &value, QString &problem)
{
    switch (readNumber(text, option.minimum, option.maximum, value)) {
    case NumberRead::Ok:
        if (option.aboveMinimum && value == option.minimum) {
            problem = quoted(text) + QStringLiteral(" is out of range");
            return false;
        }
        return true;
    case NumberRead::NotANumber:
        problem = quoted(text) + QStringLiteral(" is not a number");
        return false;
    case NumberRead::OutOfRange:
        problem = quoted(text) + QStringLiteral(" is out of range");
        return false;
    }
    return false;
}

QString range(const OptionEntry &option)
{
    // Whole numbers in full: "1 to 100000000", not "1e+08".
    const auto text = [&option](double v) {
        return option.kind == OptionKind::Integer ? QString::number(static_cast<qint64>(v))
                                                  : formatNumber(v);
    };
    if (option.aboveMinimum)
        return QStringLiteral("above %1 up to %2").arg(text(option.minimum), text(option.maximum));
    return QStringLiteral("%1 to %2").arg(text(option.minimum), text(option.maximum));
}

// The kinds. `following` is the argument after the value (null if there is
// none), for a kind whose value a user may split by mistake.

QString expectsNothing(const OptionEntry &)
{
    return QStringLiteral("no value");
}

QString noDetail(const OptionEntry &)
{
    return QString();
}

bool readNothing(const OptionEntry &, const QString &text, const QString *, OptionValue &,
                 QString &problem)
{
    problem = QStringLiteral("unexpected value ") + quoted(text);
    return false;
}

QString expectsNumber(const OptionEntry &option)
{
    if (option.aboveMinimum)
        return QStringLiteral("a number ") + range(option);
    return QStringLiteral("a number from ") + range(option);
}

QString numberDetail(const OptionEntry &option)
{
    return QStringLiteral(", ") + range(option);
}

bool readNumberValue(const OptionEntry &option, const QString &text, const QString *,
                     OptionValue &value, QString &problem)
{
    double number = 0.0;
    if (!readBounded(option, text, number, problem))
        return false;
    value.numbers = { number };
    return true;
}

// The names of a Bounds option's two numbers, from its placeholder: "L,R".
QStringList boundNames(const OptionEntry &option)
{
    const QStringList names = option.valueName.split(QLatin1Char(','));
    return names.size() == 2 ? names : QStringList{ QStringLiteral("L"), QStringLiteral("R") };
}

QString boundsOrder(const OptionEntry &option)
{
    const QStringList names = boundNames(option);
    return names.at(0) + (option.strict ? QStringLiteral(" < ") : QStringLiteral(" <= "))
            + names.at(1);
}

QString expectsBounds(const OptionEntry &option)
{
    return QStringLiteral("two numbers ") + boundNames(option).join(QLatin1Char(','))
            + QStringLiteral(" from ") + range(option)
            + (option.ordered ? QStringLiteral(" with ") + boundsOrder(option) : QString());
}

QString boundsDetail(const OptionEntry &option)
{
    return QStringLiteral(": bounds ") + range(option)
            + (option.ordered ? QStringLiteral(", ") + boundsOrder(option)
                              : QStringLiteral(", any order"));
}

bool readBoundsValue(const OptionEntry &option, const QString &text, const QString *following,
                     OptionValue &value, QString &problem)
{
    const QStringList names = boundNames(option);
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() == 1 && following && isNumber(text) && isNumber(*following)) {
        problem = QStringLiteral("%1 and %2 are one argument, %3, not two")
                          .arg(names.at(0), names.at(1),
                               quoted(text + QLatin1Char(',') + *following));
        return false;
    }
    if (parts.size() != 2) {
        problem = quoted(text) + QStringLiteral(" is not two numbers");
        return false;
    }
    double left = 0.0;
    double right = 0.0;
    if (!readBounded(option, parts.at(0), left, problem)
        || !readBounded(option, parts.at(1), right, problem))
        return false;
    if (option.ordered && (left > right || (option.strict && left == right))) {
        problem = QStringLiteral("%1 %2 is %3 %4 %5")
                          .arg(names.at(0), formatNumber(left),
                               left > right ? QStringLiteral("above") : QStringLiteral("not below"),
                               names.at(1), formatNumber(right));
        return false;
    }
    value.numbers = { left, right };
    return true;
}

QString expectsPath(const OptionEntry &)
{
    return pathExpectation();
}

bool readPathValue(const OptionEntry &, const QString &text, const QString *, OptionValue &,
                   QString &problem)
{
    if (text.isEmpty()) {
        problem = QStringLiteral("empty path");
        return false;
    }
    return true;
}

QString expectsInteger(const OptionEntry &option)
{
    return QStringLiteral("a whole number from ") + range(option);
}

bool readIntegerValue(const OptionEntry &option, const QString &text, const QString *,
                      OptionValue &value, QString &problem)
{
    double number = 0.0;
    if (!readBounded(option, text, number, problem))
        return false;
    if (number != std::floor(number)) {
        problem = quoted(text) + QStringLiteral(" is not a whole number");
        return false;
    }
    value.numbers = { number };
    return true;
}

QString expectsChoice(const OptionEntry &option)
{
    return QStringLiteral("one of ") + option.choices.join(QStringLiteral(", "));
}

QString choiceDetail(const OptionEntry &option)
{
    return QStringLiteral(", one of ") + option.choices.join(QStringLiteral(", "));
}

bool readChoiceValue(const OptionEntry &option, const QString &text, const QString *,
                     OptionValue &, QString &problem)
{
    if (option.choices.contains(text))
        return true;
    problem = quoted(text) + QStringLiteral(" is not one of them");
    return false;
}

QString expectsText(const OptionEntry &option)
{
    return option.textExpects;
}

bool readTextValue(const OptionEntry &option, const QString &text, const QString *,
                   OptionValue &value, QString &problem)
{
    if (text.isEmpty()) {
        problem = QStringLiteral("empty value");
        return false;
    }
    if (option.check)
        problem = option.check(value);
    return problem.isEmpty();
}

struct KindTraits {
    bool takesValue;
    QString (*expects)(const OptionEntry &);
    QString (*helpDetail)(const OptionEntry &); // follows the description
    bool (*read)(const OptionEntry &, const QString &text, const QString *following,
                 OptionValue &value, QString &problem);
};

const KindTraits &traits(OptionKind kind)
{
    static const KindTraits switchKind{ false, expectsNothing, noDetail, readNothing };
    static const KindTraits numberKind{ true, expectsNumber, numberDetail, readNumberValue };
    static const KindTraits boundsKind{ true, expectsBounds, boundsDetail, readBoundsValue };
    static const KindTraits pathKind{ true, expectsPath, noDetail, readPathValue };
    static const KindTraits integerKind{ true, expectsInteger, numberDetail, readIntegerValue };
    static const KindTraits choiceKind{ true, expectsChoice, choiceDetail, readChoiceValue };
    static const KindTraits textKind{ true, expectsText, noDetail, readTextValue };
    switch (kind) {
    case OptionKind::Integer:
        return integerKind;
    case OptionKind::Choice:
        return choiceKind;
    case OptionKind::Text:
        return textKind;
    case OptionKind::Number:
        return numberKind;
    case OptionKind::Bounds:
        return boundsKind;
    case OptionKind::Path:
        return pathKind;
    case OptionKind::Switch:
        break;
    }
    return switchKind;
}

// What an option needs, for its message ("--plot with two --sweep") or, with
// joiner " and ", its help line.
QString needsText(const OptionEntry &option, const QString &joiner = QStringLiteral(" with "))
{
    QStringList parts;
    for (const OptionEntry::Need &need : option.needs)
        parts << (need.times == 2  ? QStringLiteral("two ")
                          : need.times > 2 ? QString::number(need.times) + QLatin1Char(' ')
                                           : QString())
                        + QStringLiteral("--") + need.option;
    return parts.join(joiner);
}

QString namesText(const OptionEntry &option)
{
    QStringList names;
    for (const QString &name : option.names)
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        text += QStringLiteral(" <") + option.valueName + QLatin1Char('>');
    return text;
}

// Words of text in lines of at most width characters.
QStringList wrapped(const QString &text, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

QString pathExpectation()
{
    return QStringLiteral("a file path to write, or - for standard output");
}

OptionParser::OptionParser(std::vector<OptionEntry> options) : m_options(std::move(options)) {}

QString OptionParser::expects(const OptionEntry &option)
{
    return traits(option.kind).expects(option);
}

QString OptionParser::displayName(const OptionEntry &option)
{
    return QStringLiteral("--") + option.names.constLast();
}

const OptionEntry *OptionParser::find(const QString &typed) const
{
    QString name = typed;
    if (name.startsWith(QLatin1String("--")))
        name.remove(0, 2);
    else if (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    else
        return nullptr;
    for (const OptionEntry &option : m_options) {
        if (!name.isEmpty() && option.names.contains(name))
            return &option;
    }
    return nullptr;
}

bool OptionParser::isOption(const QString &argument) const
{
    return argument.startsWith(QLatin1String("--"))
            || find(argument.section(QLatin1Char('='), 0, 0)) != nullptr;
}

bool OptionParser::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool OptionParser::parse(const QStringList &arguments)
{
    m_error.clear();
    std::vector<int> given(m_options.size(), 0);
    bool optionsEnded = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.startsWith(QLatin1Char('-'))
            || argument == QLatin1String("-")) {
            return fail(errorLine(QStringLiteral("unexpected argument ") + quoted(argument),
                                  QString(), QStringLiteral("options only, see --help")));
        }
        const int equals = argument.indexOf(QLatin1Char('='));
        const QString typed = equals < 0 ? argument : argument.left(equals);
        const OptionEntry *option = find(typed);
        if (!option) {
            return fail(errorLine(QStringLiteral("unknown option ") + quoted(typed), QString(),
                                  QStringLiteral("the options listed by --help")));
        }
        const KindTraits &kind = traits(option->kind);
        OptionValue value;
        const QString *following = nullptr;
        if (equals >= 0) {
            value.text = argument.mid(equals + 1);
        } else if (kind.takesValue) {
            if (i + 1 >= arguments.size() || isOption(arguments.at(i + 1)))
                return fail(errorLine(displayName(*option), QStringLiteral("missing value"),
                                      expects(*option)));
            value.text = arguments.at(++i);
        }
        if (i + 1 < arguments.size())
            following = &arguments.at(i + 1);
        if (!take(*option, std::move(value), equals >= 0 || kind.takesValue, following, given,
                  QString()))
            return false;
    }
    return checkCombination(given);
}

// One occurrence: its value read and checked, then applied. where, if not
// empty, says where it came from for messages ("--params 'f.csv' line 3").
bool OptionParser::take(const OptionEntry &option, OptionValue value, bool hasValue,
                        const QString *following, std::vector<int> &given, const QString &where)
{
    const KindTraits &kind = traits(option.kind);
    const QString name = where.isEmpty() ? displayName(option)
                                         : where + QStringLiteral(": ") + displayName(option);
    QString problem;
    if (hasValue && !kind.read(option, value.text, following, value, problem))
        return fail(errorLine(name, problem, expects(option)));
    ++given[static_cast<std::size_t>(&option - m_options.data())];
    if (option.readsOptionFile)
        return readOptionFile(value.text, given, displayName(option) + QLatin1Char(' ')
                                      + quoted(value.text));
    if (option.apply)
        option.apply(value);
    return true;
}

namespace {

constexpr qint64 kMaxOptionFileBytes = 1 << 20;

// The fields of one CSV row; false if a quote is left open or stray.
bool csvFields(const QString &line, QStringList &fields)
{
    fields.clear();
    QString field;
    bool quotedField = false;
    bool inQuotes = false;
    for (int k = 0; k < line.size(); ++k) {
        const QChar c = line.at(k);
        if (inQuotes) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (k + 1 < line.size() && line.at(k + 1) == QLatin1Char('"'))
                field += line.at(++k);
            else
                inQuotes = false;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
            quotedField = false;
        } else if (c == QLatin1Char('"') && field.isEmpty() && !quotedField) {
            inQuotes = quotedField = true;
        } else if (quotedField) {
            return false;
        } else {
            field += c;
        }
    }
    fields << field;
    return !inQuotes;
}

} // namespace

bool OptionParser::readOptionFile(const QString &path, std::vector<int> &given,
                                  const QString &where)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(errorLine(where, QStringLiteral("cannot be read: ") + file.errorString(),
                              QStringLiteral("a file of option,value rows")));
    const QByteArray bytes = file.read(kMaxOptionFileBytes + 1);
    if (bytes.size() > kMaxOptionFileBytes || file.error() != QFileDevice::NoError)
        return fail(errorLine(where,
                              bytes.size() > kMaxOptionFileBytes
                                      ? QStringLiteral("is larger than 1 MiB")
                                      : QStringLiteral("cannot be read: ") + file.errorString(),
                              QStringLiteral("a file of option,value rows")));
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    const QString rowShape = QStringLiteral("option,value rows as --tune writes them");
    for (int k = 0; k < lines.size(); ++k) {
        QString line = lines.at(k);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString at = where + QStringLiteral(" line ") + QString::number(k + 1);
        QStringList fields;
        if (!csvFields(line, fields) || fields.size() != 2)
            return fail(errorLine(at, QStringLiteral("not a row of two fields: ") + quoted(line),
                                  rowShape));
        if (k == 0) {
            if (fields != QStringList{ QStringLiteral("option"), QStringLiteral("value") })
                return fail(errorLine(at, QStringLiteral("no header ") + quoted(line),
                                      QStringLiteral("the header option,value first")));
            continue;
        }
        const OptionEntry *option = find(QStringLiteral("--") + fields.at(0));
        if (!option || (option->kind != OptionKind::Number && option->kind != OptionKind::Bounds))
            return fail(errorLine(at, QStringLiteral("no parameter option ") + quoted(fields.at(0)),
                                  QStringLiteral("a row per option that takes a number or two")));
        OptionValue value;
        value.text = fields.at(1);
        if (!take(*option, std::move(value), true, nullptr, given, at))
            return false;
    }
    if (lines.isEmpty())
        return fail(errorLine(where, QStringLiteral("is empty"), rowShape));
    return true;
}

int OptionParser::indexOf(const QString &name) const
{
    for (std::size_t i = 0; i < m_options.size(); ++i)
        if (m_options[i].names.contains(name))
            return static_cast<int>(i);
    return -1;
}

// In the table's order: first two options that exclude each other, then an
// option without what it needs.
bool OptionParser::checkCombination(const std::vector<int> &given)
{
    const auto count = [&](const QString &name) {
        const int i = indexOf(name);
        return i < 0 ? 0 : given[static_cast<std::size_t>(i)];
    };
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        if (given[i] == 0)
            continue;
        for (const OptionEntry &other : m_options) {
            if (other.names.isEmpty() || !m_options[i].excludes.contains(other.names.last())
                || count(other.names.last()) == 0)
                continue;
            return fail(errorLine(displayName(m_options[i]) + QStringLiteral(" and ")
                                          + displayName(other),
                                  QStringLiteral("cannot be combined"),
                                  QStringLiteral("at most one of them")));
        }
    }
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const OptionEntry &option = m_options[i];
        if (given[i] == 0)
            continue;
        for (const OptionEntry::Need &need : option.needs) {
            if (count(need.option) < need.times)
                return fail(errorLine(displayName(option),
                                      QStringLiteral("needs ") + needsText(option), QString()));
        }
    }
    return true;
}

namespace {

// Text that groff prints as it stands: a backslash is \\e, and a line
// never starts with a control character. A dash that is typed, in an option
// (--kp, err-neg) or a negative number (-1.5), is \\- so that it copies as a
// minus; a hyphen between the letters of a word (step-response) stays one.
QString roff(const QString &text)
{
    QString out;
    const QStringList words = text.split(QLatin1Char(' '));
    for (int w = 0; w < words.size(); ++w) {
        const QString &word = words[w];
        int start = 0;
        while (start < word.size() && !word[start].isLetterOrNumber()
               && word[start] != QLatin1Char('-'))
            ++start;
        const bool typed = word.mid(start).startsWith(QLatin1Char('-'));
        if (w > 0)
            out += QLatin1Char(' ');
        for (int i = 0; i < word.size(); ++i) {
            const QChar c = word[i];
            if (c == QLatin1Char('\\')) {
                out += QStringLiteral("\\e");
            } else if (c == QLatin1Char('-')) {
                const bool inWord = i > 0 && word[i - 1].isLetter() && i + 1 < word.size()
                        && word[i + 1].isLetter();
                out += typed || !inWord ? QStringLiteral("\\-") : QStringLiteral("-");
            } else {
                out += c;
            }
        }
    }
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

// The help text of one entry, as --help and the man page give it: what it
// needs first, what it excludes last.
QString entryText(const OptionEntry &option, const QString &detail)
{
    QString text = option.description + detail;
    if (!option.needs.empty())
        text = QStringLiteral("With ") + needsText(option, QStringLiteral(" and "))
                + QStringLiteral(": ") + text;
    if (!option.defaultText.isEmpty())
        text += QStringLiteral(" (default ") + option.defaultText + QLatin1Char(')');
    text += option.note;
    if (!option.excludes.isEmpty()) {
        QStringList names;
        for (const QString &name : option.excludes)
            names << QStringLiteral("--") + name;
        const QString last = names.takeLast();
        text += QStringLiteral("; not with ")
                + (names.isEmpty() ? last
                                   : names.join(QStringLiteral(", ")) + QStringLiteral(" or ")
                                           + last);
    }
    return text + QLatin1Char('.');
}

} // namespace

QString OptionParser::manOptions() const
{
    QString page;
    for (const OptionEntry &option : m_options) {
        QStringList names;
        for (const QString &name : option.names) {
            const QString dashed = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"))
                    + name;
            names << QStringLiteral("\\fB") + roff(dashed) + QStringLiteral("\\fR");
        }
        QString tag = names.join(QStringLiteral(", "));
        if (!option.valueName.isEmpty())
            tag += QStringLiteral(" \\fI") + roff(option.valueName) + QStringLiteral("\\fR");
        page += QStringLiteral(".TP\n") + tag + QLatin1Char('\n');
        page += roff(entryText(option, traits(option.kind).helpDetail(option))) + QLatin1Char('\n');
    }
    return page;
}

std::vector<OptionParser::HelpEntry> OptionParser::helpEntries() const
{
    std::vector<HelpEntry> entries;
    for (const OptionEntry &option : m_options)
        entries.push_back({ option.names.last(), namesText(option),
                            entryText(option, traits(option.kind).helpDetail(option)) });
    return entries;
}

QString OptionParser::optionsHelp() const
{
    constexpr int kLineWidth = 79;
    int column = 0;
    for (const OptionEntry &option : m_options)
        column = std::max(column, static_cast<int>(namesText(option).size()));
    column += 4; // two blanks before the names, two after

    QString help;
    for (const OptionEntry &option : m_options) {
        const QString text = entryText(option, traits(option.kind).helpDetail(option));
        const QStringList lines = wrapped(text, kLineWidth - column);
        help += QStringLiteral("  ") + namesText(option).leftJustified(column - 2);
        help += lines.join(QLatin1Char('\n') + QString(column, QLatin1Char(' ')));
        help += QLatin1Char('\n');
    }
    return help;
}

} // namespace simcli
