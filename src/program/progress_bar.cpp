#include "program/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace novabit {

namespace {

constexpr int kBarWidth = 30;
constexpr double kRedrawInterval = 0.1;

std::string duration_text(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

}  // namespace

std::string ProgressBar::line(std::int64_t passesDone, std::int64_t totalPasses, double elapsedSeconds) {
  const double share = totalPasses > 0 ? static_cast<double>(passesDone) / static_cast<double>(totalPasses) : 1.0;
  const int filled = std::clamp(static_cast<int>(share * kBarWidth), 0, kBarWidth);
  const double rate = elapsedSeconds > 0 ? static_cast<double>(passesDone) / elapsedSeconds : 0.0;
  const std::string left =
      rate > 0 ? duration_text(static_cast<double>(totalPasses - passesDone) / rate) : std::string("-:--:--");
  char text[160];
  std::snprintf(text, sizeof text, "[%s%s] %lld/%lld passes  %.0f passes/s  %s left",
                std::string(static_cast<std::size_t>(filled), '#').c_str(),
                std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(),
                static_cast<long long>(passesDone), static_cast<long long>(totalPasses), rate, left.c_str());
  return text;
}

void ProgressBar::show(std::int64_t passesDone, double elapsedSeconds) {
  if (passesDone < total_ && lastShown_ >= 0 && elapsedSeconds - lastShown_ < kRedrawInterval) return;
  lastShown_ = elapsedSeconds;
  // Clears what a longer earlier line left at its end.
  std::fprintf(terminal_, "\r%s\x1b[K", line(passesDone, total_, elapsedSeconds).c_str());
  std::fflush(terminal_);
}

void ProgressBar::finish() {
  if (lastShown_ >= 0) std::fputc('\n', terminal_);
}

}  // namespace novabit
