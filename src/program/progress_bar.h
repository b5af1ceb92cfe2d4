#pragma once
// The progress of a long run on a terminal: passes done, passes per second
// and the time left, redrawn in place at most ten times a second.

#include <cstdint>
#include <cstdio>
#include <string>

namespace novabit {

class ProgressBar {
 public:
  ProgressBar(std::FILE* terminal, std::int64_t totalPasses) : terminal_(terminal), total_(totalPasses) {}

  // `elapsedSeconds` since the run began.
  void show(std::int64_t passesDone, double elapsedSeconds);
  // Ends the bar's line, once anything was shown.
  void finish();

  // The bar's text, without the carriage return that redraws it.
  static std::string line(std::int64_t passesDone, std::int64_t totalPasses, double elapsedSeconds);

 private:
  std::FILE* terminal_;
  std::int64_t total_;
  double lastShown_ = -1.0;
};

}  // namespace novabit
