#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <functional>

namespace simcli {

// A progress line for long work, meant for a terminal:
// "kestrune-sim: --sweep 42% (42000 of 100000 points)", redrawn in place
// with a carriage return and wiped when the work ends. Work that ends within
// kDelaySeconds shows nothing; without a writer nothing is ever shown.
class ProgressLine
{
public:
    using Writer = std::function<void(const QByteArray &)>;

    static constexpr double kDelaySeconds = 1.0;

    // what: the option doing the work ("--sweep"); unit: what it counts
    // ("points").
    ProgressLine(Writer writer, QString what, QString unit);
    // Wipes the line, if it was shown.
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void update(std::size_t done, std::size_t total);

private:
    Writer m_writer;
    QString m_what;
    QString m_unit;
    std::chrono::steady_clock::time_point m_start;
    int m_shown = 0; // characters on the line now
};

} // namespace simcli
