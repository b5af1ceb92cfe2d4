#pragma once
// The simulator run in-process from its command line, with its standard
// output and errors caught, and readers for what it writes.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/test_doubles.h"
#include "simulator/simulator_main.h"

namespace novabit::testing {

struct SimulatorRun {
  int status = -1;
  std::string output;
  std::string errors;
};

inline std::string stream_bytes(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  std::string bytes;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, stream)) > 0;) bytes.append(block, got);
  return bytes;
}

inline SimulatorRun run_simulator(const std::vector<std::string>& arguments, bool terminal = false,
                                  const volatile std::sig_atomic_t* stop = nullptr) {
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  std::FILE* output = std::tmpfile();
  std::FILE* errors = std::tmpfile();
  SimulatorRun run;
  run.status = simulator_main(pointers, {output, errors, terminal, stop});
  run.output = stream_bytes(output);
  run.errors = stream_bytes(errors);
  std::fclose(output);
  std::fclose(errors);
  return run;
}

// One row of a trace; the last three only with --reveal-bias.
struct TraceRow {
  int pass = 0, cycleMinute = 0, minuteSecond = 0, zeros = 0, ones = 0;
  int forced = -1, biasStartMinute = -1, biasBit = -1;
};

// The rows after the header, which goes to `header`.
inline std::vector<TraceRow> read_trace(const std::filesystem::path& path, std::string* header = nullptr) {
  std::istringstream lines(file_bytes(path));
  std::string line;
  std::getline(lines, line);
  if (header != nullptr) *header = line;
  std::vector<TraceRow> rows;
  while (std::getline(lines, line)) {
    TraceRow row;
    const int fields = std::sscanf(line.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d", &row.pass, &row.cycleMinute,
                                   &row.minuteSecond, &row.zeros, &row.ones, &row.forced, &row.biasStartMinute,
                                   &row.biasBit);
    EXPECT_TRUE(fields == 5 || fields == 8) << line;
    rows.push_back(row);
  }
  return rows;
}

// Every bit of a --bits file, as '0' and '1'.
inline std::string unpacked_bits(const std::string& bytes) {
  std::string bits;
  for (const char byte : bytes) {
    for (int place = 7; place >= 0; --place) bits += static_cast<char>('0' + ((static_cast<unsigned char>(byte) >> place) & 1));
  }
  return bits;
}

}  // namespace novabit::testing
