#pragma once
// A watcher of the draws, for tools that record a run: it sees every counted
// bit and then each pass whose bits are all counted. The live program has none.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "experiment/experiment_state.h"

namespace novabit {

class PassObserver {
 public:
  virtual ~PassObserver() = default;
  // The bit as counted, after any forcing.
  virtual void bit_counted(std::int32_t bit) = 0;
  // Right after the pass's 200th bit, before its StatusLine: the state still
  // holds the pass's counts, cycle clock and BiasWindow. `forced` says whether
  // its bits were forced.
  virtual void pass_counted(const ExperimentState& state, bool forced) = 0;
  // After a pass whose checkpoints or CycleEnd wrote study-log records.
  virtual void records_written() {}
};

// Several observers, told in their order; null ones are left out.
class PassObservers final : public PassObserver {
 public:
  PassObservers(std::initializer_list<PassObserver*> observers) {
    for (PassObserver* observer : observers) {
      if (observer != nullptr) observers_.push_back(observer);
    }
  }

  void bit_counted(std::int32_t bit) override {
    for (PassObserver* observer : observers_) observer->bit_counted(bit);
  }
  void pass_counted(const ExperimentState& state, bool forced) override {
    for (PassObserver* observer : observers_) observer->pass_counted(state, forced);
  }
  void records_written() override {
    for (PassObserver* observer : observers_) observer->records_written();
  }

 private:
  std::vector<PassObserver*> observers_;
};

}  // namespace novabit
