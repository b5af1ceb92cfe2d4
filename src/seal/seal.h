#pragma once
// The seal: the key of a live run and what a replay needs besides, kept beside
// the study log as estudio_MM-DD-YYYY.seal, or in a keeper's folder of its own
// (--seal-dir) as estudio_MM-DD-YYYY.STATION.seal. Whoever can read it can
// reveal the hidden window of every cycle of that run.
//
// Text lines "name=value" ending in LF, in this order; "#" starts a comment:
//   version=2
//   station=lab-1                 the station the run names (--station or the
//                                 host name); left out when it has none
//   start=MM-DD-YYYY HH:MM:SS     the start date and time the screen shows
//   source=keyed                  where the bits came from (keyed, kernel or device:PATH)
//   key=<64 hexadecimal digits>   the ChaCha20 key of the keyed stream
//   key_sha256=<64 hex digits>    the key's commitment: the SHA-256 of the
//                                 line "key=<hex>" without its LF, as the raw
//                                 record's head and the metrics give it
//   clock=<seconds>               the seconds clock as the first pass read it
//                                 (seconds since 2000-01-01 00:00:00 UTC)
// The clock line is added once the first pass has read the clock, so that a
// replay paces its passes exactly as the run did; the other lines reach the
// disk before the first pass. Seals of version 1 have no station and no
// key_sha256 line and are read as before.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"
#include "base/fresh_file.h"
#include "keystream/random_key.h"
#include "sources/source_spec.h"
#include "textio/formatting.h"

namespace novabit {

inline constexpr int kSealVersion = 2;

struct Seal {
  RandomKey key{};
  LocalTime start;    // as the screen showed it; no zone
  SourceSpec source;  // where the run's bits came from
  std::optional<long double> clock;
  std::string station{};  // none in a seal of version 1
};

// Every line but the clock line.
std::string seal_text(const Seal& seal);
std::string seal_clock_line(long double clock);

// The seal, or why the text is not one ("line 3: ...").
Result<Seal> parse_seal(std::string_view text);

// Writes a new seal file at `path`, mode 0600, created and kept like the study
// log: an earlier file is renamed to PATH.1, PATH.2, ... Everything but the
// clock line is synced with its directory before create() returns. Like the
// study log's records, the lines before the clock and the clock line are
// each kept whole or not at all: a failed write cuts the file back.
class SealFile {
 public:
  // A failure names the file, which is then withdrawn as withdraw() does.
  Outcome create(const std::string& path, const Seal& seal);
  // Appends the clock line, syncs and closes the file.
  Outcome add_clock(long double clock);
  // For a start refused after create(): closes and removes the file and gives
  // an earlier seal of its name its name back.
  void withdraw();

 private:
  // Writes and syncs `text` after the first `length` bytes, or cuts the file back to them.
  Outcome append_whole(const std::string& text);

  std::string path_;
  fresh_file::CreatedFile created_;
  FileDescriptor descriptor_;
  off_t length_ = 0;
};

// Reads a seal file; a failure names the file.
Result<Seal> read_seal_file(const std::string& path);

}  // namespace novabit
