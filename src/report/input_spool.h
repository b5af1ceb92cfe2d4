#pragma once
// Inputs that can be read only once — standard input ("-"), a FIFO, a device —
// copied to a scratch file as they arrive, so that the report reads them as
// often as it reads a file (`zcat ... | novabit-report -`). A copy stops after
// kRecordlessBytes that hold no record, which is what the readers then find;
// an input that sends nothing for a while is waited for, with a note on a
// terminal.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/failure.h"

namespace novabit::report {

// Whether the file at the path holds a record its reader accepts.
using HoldsRecord = std::function<bool(const std::string& path)>;

class InputSpool {
 public:
  // `terminal`, when not null, hears of an input silent for 10 s.
  explicit InputSpool(std::FILE* terminal) : terminal_(terminal) {}
  // Removes the copies.
  ~InputSpool();
  InputSpool(const InputSpool&) = delete;
  InputSpool& operator=(const InputSpool&) = delete;

  // The path to read the input `name` from: its own for a regular file,
  // else a copy's. A failure names the input.
  Result<std::string> path_of(const std::string& name, const HoldsRecord& holdsRecord);

 private:
  Outcome copy(int from, const std::string& name, int to, std::uint64_t limit, bool& ended);

  std::FILE* terminal_;
  std::optional<std::filesystem::path> folder_;
  int copies_ = 0;
};

}  // namespace novabit::report
