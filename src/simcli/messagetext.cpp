#include "messagetext.h"

namespace simcli {

namespace {

constexpr int kLongest = 60;
constexpr int kKeptEachSide = 28;

bool breaksLine(QChar c)
{
    const ushort u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029;
}

} // namespace

QString programName()
{
    return QStringLiteral("kestrune-sim");
}

QString quoted(const QString &text)
{
    QString shown = text;
    if (shown.size() > kLongest) {
        // Cut between code units that do not split a surrogate pair.
        int head = kKeptEachSide;
        if (shown.at(head - 1).isHighSurrogate())
            --head;
        int tail = shown.size() - kKeptEachSide;
        if (shown.at(tail).isLowSurrogate())
            ++tail;
        shown = shown.left(head) + QStringLiteral("...") + shown.mid(tail);
    }
    for (QChar &c : shown) {
        if (breaksLine(c))
            c = QLatin1Char('?');
    }
    return QLatin1Char('\'') + shown + QLatin1Char('\'');
}

QString errorLine(const QString &subject, const QString &problem, const QString &expected)
{
    QString line = programName() + QStringLiteral(": ") + subject;
    if (!problem.isEmpty())
        line += QStringLiteral(": ") + problem;
    if (!expected.isEmpty())
        line += QStringLiteral("; expects ") + expected;
    return line;
}

} // namespace simcli
