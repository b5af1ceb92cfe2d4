#pragma once
// The simulator run in-process from its command line, with its standard
// output and errors caught, and readers for the files it writes.

#include <filesystem>
#include <string>
#include <vector>

namespace novabit::testing {

struct SimulatorRun {
  int status = -1;
  std::string output;
  std::string errors;
};
SimulatorRun run_simulator(const std::vector<std::string>& arguments, bool terminal = false);

// One row of a trace; the last three only with --reveal-bias.
struct TraceRow {
  int pass = 0, cycleMinute = 0, minuteSecond = 0, zeros = 0, ones = 0;
  int forced = -1, biasStartMinute = -1, biasBit = -1;
};
// The rows after the header.
std::vector<TraceRow> read_trace(const std::filesystem::path& path);

// A raw record (.trials.csv): its comment lines and header, and each row
// with its pass, count of ones and alarm column. Every line must end in CR
// LF, and the passes must follow each other from 1 (with `gaps`, only rise).
struct RawRecord {
  std::vector<std::string> head;
  std::vector<std::string> rows;
  std::vector<int> passes;
  std::vector<int> ones;
  std::vector<std::string> marks;
};
// The value of the sample of metric `name` whose labels hold `label` in a
// scrape's `page`; -1 without one.
std::int64_t metric_value(const std::string& page, const std::string& name, const std::string& label = "");

RawRecord read_raw_record(const std::string& bytes, bool gaps = false);

// Every bit of a --bits file, as '0' and '1'.
std::string unpacked_bits(const std::string& bytes);

}  // namespace novabit::testing
