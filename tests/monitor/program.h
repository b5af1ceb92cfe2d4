#pragma once
// The live program's wiring on a virtual clock, for the tests of the monitor
// and of the seal.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "monitor/monitor.h"
#include "replay/given_key.h"
#include "seal/entropy_sealer.h"
#include "support/fakes.h"

namespace novabit::testing {

inline const std::chrono::sys_seconds kFirstPassTime =
    std::chrono::sys_days{std::chrono::year{2026} / 12 / 5} + std::chrono::hours(22);
inline const char* const kLogName = "estudio_12-05-2026";

// The live program's wiring on a virtual clock, without a screen, whose space
// bar is pressed during the wait of pass `lastPass`; its stderr goes to a file.
class Program {
 public:
  // `sealed`: the key comes from the kernel and is sealed, as the live program's,
  // in `sealDirectory` if given.
  explicit Program(std::int64_t lastPass, bool durable = false, bool sealed = false, const std::string& station = "station-1",
                   const std::string& sealDirectory = {}, long double firstReading = 1000.25L, Pace pace = Pace::poll)
      : clock_(firstReading, 1.0L / 64),
        monitor_({{},
                  clock_,
                  wallClock_,
                  sealed ? static_cast<KeySealer&>(sealer_) : givenKey_,
                  [this, lastPass] { return clock_.now() > 1000 + lastPass - 0.5L; },
                  nullptr,
                  nullptr,
                  &kernelClock},
                 {"novabit",
                  nullptr,
                  errors_,
                  false,
                  durable,
                  {.sealDirectory = sealDirectory, .pace = pace},
                  {},
                  true,
                  station,
                  ListenAddress{"127.0.0.1", 0},
                  {},
                  true}) {}
  ~Program() {
    std::fclose(errors_);
    std::free(errorBytes_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  int run() { return monitor_.run_to_end(); }
  Monitor& monitor() { return monitor_; }
  ExperimentDriver& driver() { return monitor_.driver(); }
  ChannelTable& channels() { return monitor_.channels(); }
  SteppingClock& clock() { return clock_; }
  SetKernelClock kernelClock;
  std::string errors() {
    std::fflush(errors_);
    return std::string(errorBytes_, errorSize_);
  }

 private:
  SteppingClock clock_;
  VirtualWallClock wallClock_{clock_, kFirstPassTime - std::chrono::seconds(1000)};
  // In memory, beyond any limit on the size of files.
  char* errorBytes_ = nullptr;
  std::size_t errorSize_ = 0;
  std::FILE* errors_ = open_memstream(&errorBytes_, &errorSize_);
  EntropySealer sealer_{SourceSpec{}};
  GivenKey givenKey_{kTestKey};
  Monitor monitor_;
};

}  // namespace novabit::testing
