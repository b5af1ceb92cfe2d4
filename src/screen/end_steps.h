#pragma once
// The steps of the orderly end: registered during the run, run once in the
// reverse order of their registration (the files are registered after the
// screen, so they are closed first). Running them never ends the process;
// the caller returns its status afterwards.

#include <functional>
#include <utility>
#include <vector>

namespace novabit {

class EndSteps {
 public:
  void add(std::function<void()> step) { steps_.push_back(std::move(step)); }
  // Runs every registered step, the last registered first, and forgets them.
  void run_all();
  bool empty() const { return steps_.empty(); }

 private:
  std::vector<std::function<void()>> steps_;
};

}  // namespace novabit
