#include "progressline.h"

#include "messagetext.h"

#include <algorithm>

namespace simcli {

ProgressLine::ProgressLine(Writer writer, QString what, QString unit)
    : m_writer(std::move(writer)), m_what(std::move(what)), m_unit(std::move(unit)),
      m_start(std::chrono::steady_clock::now())
{
}

ProgressLine::~ProgressLine()
{
    if (m_shown > 0)
        m_writer('\r' + QByteArray(m_shown, ' ') + '\r');
}

void ProgressLine::update(std::size_t done, std::size_t total)
{
    if (!m_writer || total == 0)
        return;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
    if (elapsed.count() < kDelaySeconds)
        return;
    done = std::min(done, total);
    const QString text = QStringLiteral("%1: %2 %3% (%4 of %5 %6)")
                                 .arg(programName(), m_what)
                                 .arg(done * 100 / total)
                                 .arg(done)
                                 .arg(total)
                                 .arg(m_unit);
    // Blanks over what a longer line before left.
    const int width = std::max(m_shown, static_cast<int>(text.size()));
    m_writer('\r' + text.leftJustified(width).toUtf8());
    m_shown = width;
}

} // namespace simcli
