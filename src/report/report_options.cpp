#include "report/report_options.h"

#include <CLI/CLI.hpp>
#include <cmath>

namespace novabit::report {

namespace {

constexpr const char* kUsage =
    "usage: novabit-report [--trials FILE]... [--seal FILE]... [--verify] [--csv FILE] [--png FILE]"
    " [--tau T] [--alpha A] LOG...";

constexpr const char* kDescription =
    "Turns NovaBit study logs (estudio_MM-DD-YYYY, .1, ...; any order, any writer of the format) into the\n"
    "field's statistics: for every trial of n fair bits with k ones z = (k - n/2) / sqrt(n/4), combined by\n"
    "Stouffer's Z = sum z / sqrt(N) (two-sided p) and chi-square = sum z^2 (N degrees of freedom, upper-tail\n"
    "p), per 12-hour cycle and for the whole input, and the cumulative deviation sum (k - n/2) against its\n"
    "95 % envelope 1.96 sqrt(N n/4). Lines that are no valid record are reported and skipped.";

constexpr const char* kFooter =
    "Always-valid boundary: the normal-mixture statistic E = (1 + N tau^2)^(-1/2) exp(tau^2 S^2 / (2 (1 + N tau^2)))\n"
    "on S = sum z over N trials (Robbins 1970; Howard, Ramdas, McAuliffe and Sekhon 2021, \"Time-uniform,\n"
    "nonparametric, nonasymptotic confidence sequences\"). By Ville's inequality a run without effect reaches\n"
    "E >= 1/alpha with probability at most alpha, however often it is looked at. Reported: max E, the first\n"
    "crossing, and the always-valid p = min(1, 1 / max E). Trials of other sizes than a five-minute record use\n"
    "tau sqrt(n / 60000), the same effect per bit.\n"
    "\n"
    "Exit status: 0 when the report was made; 1 when an input cannot be read or holds no valid record, a seal\n"
    "fits no run, is not the one its raw record commits to or cannot be replayed, or an output cannot be\n"
    "written; 2 for bad arguments.\n";

}  // namespace

ParsedOptions parse_report_options(std::span<const char* const> arguments) {
  ReportOptions options;
  CLI::App app(kDescription, "novabit-report");
  app.add_option("LOG", options.logs, "study logs to read")->required();
  app.add_option("--trials", options.trials,
                 "a raw per-second record (estudio_MM-DD-YYYY.trials.csv) for the per-second analysis; repeatable")
      ->allow_extra_args(false)
      ->type_name("FILE");
  auto* seal = app.add_option("--seal", options.seals,
                 "the seal of a run (estudio_MM-DD-YYYY.seal): reveals its hidden windows after the study; repeatable")
      ->allow_extra_args(false)
      ->type_name("FILE");
  app.add_flag("--verify", options.verify,
               "replays each sealed run of the keyed generator and compares its records and seconds with the replay")
      ->needs(seal);
  app.add_option("--csv", options.csv, "one row per record, RFC 4180")->type_name("FILE");
  app.add_option("--png", options.png, "an 800 x 600 picture of the cumulative deviation")->type_name("FILE");
  app.add_option("--tau", options.settings.tau, "the mixture's scale for a five-minute record's z (default 0.235)")
      ->type_name("T");
  app.add_option("--alpha", options.settings.alpha, "the boundary's level, E >= 1/alpha (default 0.05)")
      ->type_name("A");
  app.footer(kFooter);
  ParsedOptions parsed;
  std::string problem;
  try {
    app.parse(static_cast<int>(arguments.size()), arguments.data());
    const BoundarySettings& settings = options.settings;
    if (!(settings.tau > 0 && std::isfinite(settings.tau))) {
      problem = "--tau: the mixture's scale must be a positive number";
    } else if (!(settings.alpha > 0 && settings.alpha < 1)) {
      problem = "--alpha: the level must lie between 0 and 1";
    }
  } catch (const CLI::CallForHelp&) {
    parsed.output = app.help();
    return parsed;
  } catch (const CLI::ParseError& error) {
    problem = error.what();
  }
  if (!problem.empty()) {
    parsed.exitStatus = 2;
    parsed.error = "novabit-report: " + problem + "\n" + kUsage + "\n";
    return parsed;
  }
  parsed.options = std::move(options);
  return parsed;
}

}  // namespace novabit::report
