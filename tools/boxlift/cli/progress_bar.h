// The progress line boxlift build draws on a terminal while it packs:
//   [########--------]  50%  50.0/100.0 MB  25.0 MB/s  0:02 left
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace boxlift {

// The line for done of total bytes after elapsedSeconds, at most width
// characters long. Throughput and time left appear once bytes are done;
// where the line does not fit, the bar goes first, then the fields from
// the right; empty when not even the percentage fits.
std::string FormatProgress(std::uint64_t done, std::uint64_t total, double elapsedSeconds,
                           std::size_t width);

// True when standard error is a terminal.
bool StderrIsTerminal();

// The terminal's width: COLUMNS when it holds a number, else 80.
std::size_t TerminalColumns();

// Draws FormatProgress's line in place on out (carriage return, no
// newline), from half a second in and at most ten times a second, so that
// quick builds show nothing. The line is cleared when the bar goes, done
// or failed. A disabled bar draws nothing.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(std::uint64_t done, std::uint64_t total);

private:
    using Clock = std::chrono::steady_clock;
    void Draw(const std::string& line);

    std::ostream& out_;
    bool enabled_;
    std::size_t width_;
    Clock::time_point start_;
    Clock::time_point nextDraw_;
    std::size_t drawn_ = 0;  // characters of the line on the terminal
};

}  // namespace boxlift
