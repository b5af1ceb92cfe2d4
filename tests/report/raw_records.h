#pragma once
// Hand-made raw records of stations, for the network analysis.

#include <ctime>
#include <string>
#include <vector>

#include "keystream/random_key.h"

namespace novabit::report {

// A raw record: its rows by pass, pass 1 at 10:00:00 UTC on 5 December 2026.
struct Row {
  std::int64_t pass;
  int ones;
  const char* alarm = "";
};
inline std::string raw_record(const char* station, const RandomKey& key, const std::vector<Row>& rows,
                              const char* clock = "synchronized max_error_seconds=0.5") {
  std::string text = "# program=novabit 1.0.0\r\n# source=keyed\r\n# key_sha256=" + key_commitment(key) +
                     "\r\n# station=" + station + "\r\n# clock=" + clock + "\r\npass,utc,local,ones,alarm\r\n";
  for (const Row& row : rows) {
    const std::time_t utc = 1796464800 + row.pass - 1;
    char stamps[48];
    std::strftime(stamps, sizeof stamps, "%Y-%m-%dT%H:%M:%SZ,%m-%d-%Y %H:%M:%S", std::gmtime(&utc));
    text += std::to_string(row.pass) + "," + stamps + "," + std::to_string(row.ones) + "," + row.alarm + "\r\n";
  }
  return text;
}

}  // namespace novabit::report
