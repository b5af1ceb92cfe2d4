#pragma once
// One CSV row (RFC 4180, for R, pandas or a spreadsheet) per record with
// figures, written as the report meets them, so in time order: five-minute
// and quarter records and the seconds of the raw records interleaved. Every
// row has its integer n and k; the deviation and envelope are cumulative
// within the row's series (the five-minute records of the whole input, its
// quarter records, the seconds of one raw record).

#include <cstdint>
#include <string>

#include "base/failure.h"
#include "report/csv_file.h"
#include "report/series_statistics.h"

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
  explicit CsvTable(std::string path) : file_(std::move(path), kCsvHeader) {}

  // A failure names the file.
  Outcome add(const CsvRow& row);
  Outcome close() { return file_.close(); }

 private:
  CsvFile file_;
  std::string row_;  // its room kept from row to row
};

}  // namespace novabit::report
