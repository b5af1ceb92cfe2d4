#pragma once
// What the network report shows: the summary for standard output, one CSV
// row per second of the network, and the figure of the cumulative network
// variance against its 95 % envelope.

#include <filesystem>
#include <string>

#include "base/failure.h"
#include "figures/figure.h"
#include "report/csv_file.h"
#include "report/network_report.h"

namespace novabit::report {

inline constexpr const char* kNetworkCsvHeader = "utc,stations,network_z,cumulative_network_variance";

std::string network_summary_text(const NetworkReport& report, bool outsideWindows);

class NetworkCsv {
 public:
  explicit NetworkCsv(std::string path) : file_(std::move(path), kNetworkCsvHeader) {}
  Outcome add(const NetworkSecond& second);
  Outcome close() { return file_.close(); }

 private:
  CsvFile file_;
  std::string row_;
};

figures::Figure network_figure(const NetworkReport& report);

}  // namespace novabit::report
