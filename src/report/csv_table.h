#pragma once
// One CSV row per record (RFC 4180, for R, pandas or a spreadsheet): every
// checkpoint and cycle record of the runs in time order, then every second
// of the trials files. The deviation and envelope are cumulative within
// their series: the five-minute records of the whole input, its quarter
// records, the seconds of each trials file.

#include <string>

#include "report/field_report.h"

namespace novabit::report {

inline constexpr const char* kCsvHeader = "file,line,date,time,kind,pass,cycle,n,k,z,cumulative_deviation,envelope";

std::string csv_table(const FieldReport& report);

}  // namespace novabit::report
