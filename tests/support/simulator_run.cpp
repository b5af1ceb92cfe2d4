#include "support/simulator_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "simulator/simulator_main.h"
#include "support/files.h"

namespace novabit::testing {

namespace {

std::string stream_bytes(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  std::string bytes;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, stream)) > 0;) bytes.append(block, got);
  std::fclose(stream);
  return bytes;
}

}  // namespace

SimulatorRun run_simulator(const std::vector<std::string>& arguments, bool terminal) {
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  std::FILE* output = std::tmpfile();
  std::FILE* errors = std::tmpfile();
  SimulatorRun run;
  run.status = simulator_main(pointers, {output, errors, terminal});
  run.output = stream_bytes(output);
  run.errors = stream_bytes(errors);
  return run;
}

std::vector<TraceRow> read_trace(const std::filesystem::path& path) {
  std::istringstream lines(file_bytes(path));
  std::string line;
  std::getline(lines, line);
  std::vector<TraceRow> rows;
  while (std::getline(lines, line)) {
    TraceRow row;
    const int fields = std::sscanf(line.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d", &row.pass, &row.cycleMinute, &row.minuteSecond,
                                   &row.zeros, &row.ones, &row.forced, &row.biasStartMinute, &row.biasBit);
    EXPECT_TRUE(fields == 5 || fields == 8) << line;
    rows.push_back(row);
  }
  return rows;
}

std::int64_t metric_value(const std::string& page, const std::string& name, const std::string& label) {
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(name + "{") && line.find(label) < line.find("} ")) return std::stoll(line.substr(line.find("} ") + 2));
  }
  return -1;
}

RawRecord read_raw_record(const std::string& bytes, bool gaps) {
  RawRecord record;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.ends_with('\r')) << line;
    line.pop_back();
    if (record.head.empty() || record.head.back().starts_with("#")) {
      record.head.push_back(line);
      continue;
    }
    record.rows.push_back(line);
    int pass = 0;
    int ones = -1;
    int marksAt = 0;
    EXPECT_EQ(std::sscanf(line.c_str(), "%d,%*[^,],%*[^,],%d,%n", &pass, &ones, &marksAt), 2) << line;
    const int previous = record.passes.empty() ? 0 : record.passes.back();
    EXPECT_TRUE(gaps ? pass > previous : pass == previous + 1) << "passes in order: " << line;
    record.passes.push_back(pass);
    record.ones.push_back(ones);
    record.marks.push_back(marksAt > 0 ? line.substr(static_cast<std::size_t>(marksAt)) : "?");
  }
  return record;
}

std::string unpacked_bits(const std::string& bytes) {
  std::string bits;
  for (const char byte : bytes) {
    for (int place = 7; place >= 0; --place) bits += static_cast<char>('0' + ((static_cast<unsigned char>(byte) >> place) & 1));
  }
  return bits;
}

}  // namespace novabit::testing
