#pragma once
// The seal: the key of a live run and what a replay needs besides, kept beside
// the study log as estudio_MM-DD-YYYY.seal. Whoever can read it can reveal the
// hidden window of every cycle of that run.
//
// Text lines "name=value" ending in LF, in this order; "#" starts a comment:
//   version=1
//   start=MM-DD-YYYY HH:MM:SS     the start date and time the screen shows
//   source=keyed                  where the bits came from (keyed, kernel or device:PATH)
//   key=<64 hexadecimal digits>   the ChaCha20 key of the keyed stream
//   clock=<seconds>               the seconds clock as the first pass read it
//                                 (seconds since 2000-01-01 00:00:00 UTC)
// The clock line is added once the first pass has read the clock, so that a
// replay paces its passes exactly as the run did; the other lines reach the
// disk before the first pass.

#include <optional>
#include <string>
#include <string_view>

#include "keystream/random_key.h"

namespace novabit {

inline constexpr int kSealVersion = 1;

struct Seal {
  RandomKey key{};
  std::string startDate;  // "12-07-2026"
  std::string startTime;  // "05:32:19"
  std::string source = "keyed";
  std::optional<long double> clock;
};

// Every line but the clock line.
std::string seal_text(const Seal& seal);
std::string seal_clock_line(long double clock);

struct ParsedSeal {
  std::optional<Seal> seal;
  std::string problem;  // why the text is not a seal, with its line number
};
ParsedSeal parse_seal(std::string_view text);

// Writes a new seal file at `path`, mode 0600, created and kept like the study
// log: an earlier file is renamed to PATH.1, PATH.2, ... Everything but the
// clock line is synced with its directory before create() returns.
class SealFile {
 public:
  SealFile() = default;
  ~SealFile();
  SealFile(const SealFile&) = delete;
  SealFile& operator=(const SealFile&) = delete;

  // The reason, naming the file, when it cannot be written.
  std::optional<std::string> create(const std::string& path, const Seal& seal);
  // Appends the clock line, syncs and closes the file.
  std::optional<std::string> add_clock(long double clock);

 private:
  std::string path_;
  int descriptor_ = -1;
};

// Reads a seal file; the problem names the file.
ParsedSeal read_seal_file(const std::string& path);

}  // namespace novabit
