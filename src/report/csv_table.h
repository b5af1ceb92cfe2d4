#pragma once
// One CSV row (RFC 4180, for R, pandas or a spreadsheet) per record with
// figures, written as the report meets them, so in time order: five-minute
// and quarter records and the seconds of the raw records interleaved. Every
// row has its integer n and k; the deviation and envelope are cumulative
// within the row's series (the five-minute records of the whole input, its
// quarter records, the seconds of one raw record).

#include <cstdint>
#include <cstdio>
#include <string>

#include "report/series_statistics.h"
#include "textio/failure.h"
#include "textio/file_handles.h"

namespace novabit::report {

inline constexpr const char* kCsvHeader = "file,line,date,time,kind,pass,cycle,n,k,z,cumulative_deviation,envelope";

struct CsvRow {
  const std::string& file;
  std::size_t line;
  std::int64_t stamp;  // local seconds
  const char* kind;    // five_minute, quarter or second
  std::int64_t pass;
  std::int64_t ones;
  const SeriesAccumulator& series;  // with the row's trial added last
};

class CsvTable {
 public:
  // The file is created with the first row.
  explicit CsvTable(std::string path) : path_(std::move(path)) {}

  // A failure names the file.
  Outcome add(const CsvRow& row);
  Outcome close();

 private:
  std::string path_;
  StdioFile file_;
  std::string text_;
};

}  // namespace novabit::report
