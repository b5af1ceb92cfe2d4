#include "monitor/run_options.h"

#include <algorithm>
#include <utility>

#include <CLI/CLI.hpp>

#include "program/command_line.h"

namespace novabit {

namespace {

constexpr std::size_t kMaxStationName = 100;

}  // namespace

CLI::Option* add_source_option(CLI::App& app, SourceSpec& source) {
  return app
      .add_option_function<std::string>(
          "--source",
          [&source](const std::string& text) {
            Result<SourceSpec> parsed = parse_source(text);
            if (!parsed) throw CLI::ValidationError("--source", escaped(parsed.failure().message()));
            source = std::move(*parsed);
          },
          "where each pass's bits come from: " + source_choices() + " (below)")
      ->type_name("NAME");
}

CLI::Option* add_no_trials_flag(CLI::App& app, bool& noTrials) {
  return app.add_flag("--no-trials", noTrials, "no raw per-second record (estudio_MM-DD-YYYY.trials.csv)");
}

void add_station_options(CLI::App& app, StationOptions& options) {
  app.add_option_function<std::string>(
         "--station",
         [&options](const std::string& text) {
           // One line of the raw record's head and one label value.
           const bool printable = std::none_of(
               text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
           if (text.empty() || text.size() > kMaxStationName || !printable) {
             throw CLI::ValidationError("--station", in_quotes(text) + " is not a name of 1 to " +
                                                         std::to_string(kMaxStationName) +
                                                         " characters without control characters");
           }
           options.station = text;
         },
         "names this station in the raw record and the metrics (default: the host name)")
      ->type_name("NAME")
      ->group("Station");
  app.add_option_function<std::string>(
         "--metrics",
         [&options](const std::string& text) {
           Result<ListenAddress> parsed = parse_listen_address(text);
           if (!parsed)
             throw CLI::ValidationError("--metrics", in_quotes(text) + ": " + escaped(parsed.failure().message()));
           options.metrics = *parsed;
         },
         "serves the live metrics for Prometheus at http://ADDR:PORT/metrics (ADDR default: 127.0.0.1)")
      ->type_name("[ADDR:]PORT")
      ->group("Station");
  app.add_option("--metrics-web-config", options.metricsWebConfig,
                 "serves the metrics over HTTPS or with passwords, as this web configuration file of Prometheus's "
                 "exporters says (tls_server_config, basic_auth_users)")
      ->type_name("FILE")
      ->group("Station");
  app.parse_complete_callback([&options] {
    if (!options.metricsWebConfig.empty() && !options.metrics) {
      throw CLI::ValidationError("--metrics-web-config", "serves nothing without --metrics");
    }
  });
}

std::string sources_help() {
  std::string help = "Sources, for --source NAME:\n";
  for (const SourceKind& kind : kSourceKinds) {
    const std::string name = std::string(kind.name) + (kind.name.ends_with(':') ? "PATH" : "");
    help.append("  ").append(name).append(std::string(14 - std::min<std::size_t>(name.size(), 13), ' '));
    help.append(kind.help).append("\n");
  }
  return help +
         "A device's bytes are read most significant bit first. The hidden window is placed by the keyed generator "
         "with every source. Health tests (NIST SP 800-90B: repetition count, adaptive proportion) watch the "
         "source's bits; an alarm is reported and recorded, the run goes on. A physical source that ends, fails or "
         "delivers nothing for 10 seconds ends the run with status 1.";
}

}  // namespace novabit
