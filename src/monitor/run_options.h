#pragma once
// The options of a run that the live program and the simulator share: where
// each pass's bits come from, the raw record, and the station with the
// address its metrics are served at.

#include <optional>
#include <string>

#include "metrics/listen_address.h"
#include "program/command_line.h"
#include "sources/source_spec.h"

namespace novabit {

// --source NAME into `source`.
CLI::Option* add_source_option(CLI::App& app, SourceSpec& source);
// --no-trials into `noTrials`.
CLI::Option* add_no_trials_flag(CLI::App& app, bool& noTrials);

// A station as its raw record and its metrics name it, and where it serves them.
struct StationOptions {
  std::string station;  // empty: the host name
  std::optional<ListenAddress> metrics;
  std::string metricsWebConfig{};  // empty: plain HTTP for anyone
};
// --station NAME, --metrics [ADDR:]PORT and --metrics-web-config FILE (only
// with --metrics) into `options`, in the group "Station".
void add_station_options(CLI::App& app, StationOptions& options);

// The help's paragraph on sources.
std::string sources_help();

}  // namespace novabit
