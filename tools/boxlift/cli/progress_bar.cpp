#include "cli/progress_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace boxlift {
namespace {

constexpr double kBytesPerMB = 1'000'000.0;
constexpr std::size_t kMinBarWidth = 12;  // brackets included; narrower says nothing
constexpr auto kFirstDraw = std::chrono::milliseconds(500);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

template <typename... Args>
std::string Printf(const char* format, Args... args) {
    char text[64];
    int n = std::snprintf(text, sizeof text, format, args...);
    return std::string(text, static_cast<std::size_t>(std::clamp(n, 0, int{sizeof text} - 1)));
}

// "m:ss", or "h:mm:ss" from an hour on; capped at 99:59:59.
std::string Duration(double seconds) {
    const long total = std::lround(std::clamp(seconds, 0.0, 359'999.0));
    const long h = total / 3600, m = total / 60 % 60, s = total % 60;
    return h > 0 ? Printf("%ld:%02ld:%02ld", h, m, s) : Printf("%ld:%02ld", m, s);
}

// "done/total MB", done as wide as total so that the line keeps its layout.
std::string Sizes(std::uint64_t done, std::uint64_t total) {
    const std::string totalText = Printf("%.1f", total / kBytesPerMB);
    return Printf("%*.1f/", static_cast<int>(totalText.size()), done / kBytesPerMB) + totalText +
           " MB";
}

// Percentage, sizes, then throughput and time left once there is a rate.
std::vector<std::string> Fields(std::uint64_t done, std::uint64_t total, double fraction,
                                double elapsedSeconds) {
    std::vector<std::string> fields = {Printf("%3d%%", static_cast<int>(fraction * 100)),
                                       Sizes(done, total)};
    if (done > 0 && elapsedSeconds > 0) {
        const double rate = done / elapsedSeconds;
        fields.push_back(Printf("%5.1f MB/s", rate / kBytesPerMB));
        fields.push_back(Duration((total - done) / rate) + " left");
    }
    return fields;
}

std::string Join(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : "  ") + field;
    return line;
}

std::string Bar(double fraction, std::size_t width) {
    const std::size_t inner = width - 2;
    const auto filled = static_cast<std::size_t>(fraction * static_cast<double>(inner));
    return '[' + std::string(filled, '#') + std::string(inner - filled, '-') + ']';
}

}  // namespace

std::string FormatProgress(std::uint64_t done, std::uint64_t total, double elapsedSeconds,
                           std::size_t width) {
    done = std::min(done, total);
    const double fraction =
        total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    std::vector<std::string> fields = Fields(done, total, fraction, elapsedSeconds);
    std::string text = Join(fields);
    if (text.size() + 1 + kMinBarWidth <= width)
        return Bar(fraction, width - text.size() - 1) + ' ' + text;
    while (text.size() > width && !fields.empty()) {
        fields.pop_back();
        text = Join(fields);
    }
    return text;
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

std::size_t TerminalColumns() {
    const char* columns = std::getenv("COLUMNS");
    char* end = nullptr;
    const long n = columns ? std::strtol(columns, &end, 10) : 0;
    return n > 0 && *end == '\0' ? static_cast<std::size_t>(n) : 80;
}

// One column short of the width: writing the last one wraps on some terminals.
ProgressBar::ProgressBar(std::ostream& out, bool enabled)
    : out_(out),
      enabled_(enabled),
      width_(TerminalColumns() - 1),
      start_(Clock::now()),
      nextDraw_(start_ + kFirstDraw) {}

ProgressBar::~ProgressBar() {
    if (drawn_ > 0) out_ << '\r' << std::string(drawn_, ' ') << '\r' << std::flush;
}

void ProgressBar::Update(std::uint64_t done, std::uint64_t total) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedrawInterval;
    Draw(FormatProgress(done, total, std::chrono::duration<double>(now - start_).count(), width_));
}

// Over the previous line, padded to cover it where this one is shorter.
void ProgressBar::Draw(const std::string& line) {
    out_ << '\r' << line;
    if (line.size() < drawn_) out_ << std::string(drawn_ - line.size(), ' ');
    out_ << std::flush;
    drawn_ = std::max(drawn_, line.size());
}

}  // namespace boxlift
