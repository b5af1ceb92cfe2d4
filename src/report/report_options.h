#pragma once
// The command line of novabit-report, read with CLI11 in the programs' one style.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "figures/figure.h"
#include "program/command_line.h"
#include "report/series_statistics.h"

namespace novabit::report {

struct ReportOptions {
  std::vector<std::string> logs;
  std::vector<std::string> trials;
  std::vector<std::string> seals;
  std::optional<std::string> csv;
  std::optional<std::string> png;
  std::optional<std::string> svg;
  std::optional<std::string> pdf;
  figures::FigureSize size;
  std::optional<std::string> json;
  bool verify = false;
  std::vector<std::string> network;           // raw records of several stations, for the network analysis
  bool outsideWindows = false;                // with --network: leave out the seconds inside the hidden windows
  std::optional<std::string> events;          // with --network: the pre-registered events
  std::optional<std::string> registerEvents;  // alone: the events file whose digest to print
  std::optional<std::int64_t> from;           // with --network: the range's first UTC second
  std::optional<std::int64_t> to;             // and the second after its last
  std::optional<std::string> partial;         // with --network: the range's sums, for --combine
  std::vector<std::string> combine;           // partial sums to add up
  BoundarySettings settings;
};

// `arguments` with the program name first.
CommandLine<ReportOptions> parse_report_options(std::span<const char* const> arguments);

// The usage, a few lines.
std::string report_usage_text();

}  // namespace novabit::report
