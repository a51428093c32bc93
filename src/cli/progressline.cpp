#include "progressline.h"

#include <iostream>
#include <utility>

#ifdef _WIN32
#include <io.h>

#include <cstdio>
#else
#include <unistd.h>
#endif

namespace rq::cli {

ProgressLine::ProgressLine(std::ostream& err, std::string label, bool terminal)
    : m_err(err), m_label(std::move(label)), m_terminal(terminal) {}

bool ProgressLine::tell(std::uint64_t done, std::uint64_t total) {
    if (total < kShownFrom) {
        return true;
    }
    const int percent = done >= total ? 100 : static_cast<int>(static_cast<double>(done) * 100 / total);
    const int step = m_terminal ? percent : percent / 25 * 25;
    if (step <= m_shown || (!m_terminal && step == 0)) {
        return true;
    }
    m_shown = step;
    m_err << (m_terminal ? "\r" : "") << m_label << ": " << step << "% of " << (total >> 20) << " MiB"
          << (m_terminal ? "" : "\n") << std::flush;
    return true;
}

void ProgressLine::finish() {
    if (m_terminal && m_shown >= 0) {
        m_err << '\n';
        m_shown = -1;
    }
}

bool isTerminalError(const std::ostream& stream) {
#ifdef _WIN32
    return &stream == &std::cerr && _isatty(_fileno(stderr)) != 0;
#else
    return &stream == &std::cerr && ::isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace rq::cli
