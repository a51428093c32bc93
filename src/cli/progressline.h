#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace rq::cli {

// The progress of a long job on standard error, told as a PatchProgress is. Work of fewer than kShownFrom
// bytes shows nothing: it is over before anyone waits. On a terminal, one line is rewritten as each whole
// per cent passes; anywhere else (a log, a pipe) a line is written at each quarter, so that nothing floods.
class ProgressLine {
  public:
    static constexpr std::uint64_t kShownFrom = 64u << 20;

    ProgressLine(std::ostream& err, std::string label, bool terminal);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Never cancels.
    bool tell(std::uint64_t done, std::uint64_t total);
    // Ends the terminal's line, so that what follows starts on a line of its own.
    void finish();

  private:
    std::ostream& m_err;
    std::string m_label;
    bool m_terminal;
    int m_shown = -1;  // the per cent shown last
};

// Whether the stream is the process's standard error and that is a terminal.
[[nodiscard]] bool isTerminalError(const std::ostream& stream);

}  // namespace rq::cli
