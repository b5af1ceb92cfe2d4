#include "report/report_program.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <iostream>
#include <optional>
#include <string>

#include "base/failure.h"
#include "events/event_analysis.h"
#include "events/events_file.h"
#include "report/events_output.h"
#include "report/field_report.h"
#include "report/input_digest.h"
#include "report/json_summary.h"
#include "report/network_output.h"
#include "report/network_report.h"
#include "report/partial_sums.h"
#include "report/report_options.h"
#include "report/report_picture.h"
#include "report/report_plan.h"
#include "report/seal_verify.h"
#include "report/summary_text.h"

namespace novabit::report {

namespace {

// The figure is made only when a file of it is asked for.
template <typename Make>
Outcome write_figure_files(const ReportOptions& options, Make make) {
  if (!options.png && !options.svg && !options.pdf) return {};
  return figures::write_figures(make(), {options.png, options.svg, options.pdf, options.size});
}

// The network's JSON summary, with the events analysed on it when there are
// any: the list's digest is of the bytes the analysis read.
Outcome write_network_json(const std::string& path, const NetworkReport& report, bool outsideWindows,
                           Result<std::vector<InputDigest>> digested,
                           const std::optional<events::EventsFile>& eventsFile, const events::EventsResult& result) {
  if (!digested) return digested.failure();
  std::optional<EventsSummary> summary;
  if (eventsFile) {
    digested->push_back({eventsFile->path, "events", eventsFile->sha256});
    summary.emplace(EventsSummary{*eventsFile, result});
  }
  return write_whole_file(path, network_report_json(report, outsideWindows, *digested, summary));
}

// The network analysis of several stations' raw records.
int run_network(const ReportOptions& options, std::ostream& out, const std::function<int(const Failure&)>& fail) {
  std::vector<NamedInput> inputs;
  for (const std::string& file : options.network) inputs.push_back({file, "raw_record", file});
  for (const std::string& seal : options.seals) inputs.push_back({seal, "seal", seal});
  std::future<Result<std::vector<InputDigest>>> digests;
  if (options.json) digests = digest_meanwhile(std::move(inputs));
  std::optional<NetworkCsv> csv;
  if (options.csv) csv.emplace(*options.csv);
  std::optional<events::EventsFile> eventsFile;
  if (options.events) {
    Result<events::EventsFile> read = events::read_events_file(*options.events);
    if (!read) return fail(read.failure());
    eventsFile = std::move(*read);
  }
  std::optional<events::EventsAnalysis> analysis;
  if (eventsFile) analysis.emplace(eventsFile->events);
  std::function<Outcome(const NetworkSecond&)> eachSecond;
  if (csv || analysis) {
    eachSecond = [&csv, &analysis](const NetworkSecond& second) {
      if (analysis &&
          !analysis->add({second.utc, second.stations, second.deviation, second.squaredStationDeviations})) {
        return Outcome(Failure{"an event's sums exceed 64 bits", 0});
      }
      return csv ? csv->add(second) : Outcome{};
    };
  }
  Result<NetworkReport> report =
      network_report({options.network, options.seals, options.outsideWindows, options.from, options.to}, eachSecond);
  if (!report) return fail(report.failure());
  if (csv) {
    if (const Outcome closed = csv->close(); !closed) return fail(closed.failure());
  }
  if (options.partial) {
    PartialSums partial{*options.partial,
                        options.from,
                        options.to,
                        options.outsideWindows,
                        eventsFile ? eventsFile->sha256 : "",
                        std::move(*report),
                        {}};
    if (analysis) partial.events = analysis->sums();
    if (const Outcome written = write_partial_sums(*options.partial, partial); !written) return fail(written.failure());
    return 0;
  }
  if (!report->any_valid_second()) {
    std::string files;
    for (const std::string& file : options.network) files += (files.empty() ? "" : ", ") + file;
    return fail(Failure{"no valid second in " + files, 0});
  }
  out << network_summary_text(*report, options.outsideWindows);
  if (options.from || options.to) out << range_note(options.from, options.to);
  const events::EventsResult eventsResult = analysis ? analysis->result() : events::EventsResult{};
  if (analysis) {
    out << events_text(*eventsFile, eventsResult);
    if (options.csv) {
      if (const Outcome written = write_events_csv(eventsResult, events_path(*options.csv, ".csv")); !written) {
        return fail(written.failure());
      }
    }
  }
  if (const Outcome written = write_figure_files(options, [&report] { return network_figure(*report); }); !written) {
    return fail(written.failure());
  }
  if (analysis) {
    // The events' figure beside each of the network's.
    ReportOptions beside = options;
    for (std::optional<std::string>* file : {&beside.png, &beside.svg, &beside.pdf}) {
      if (*file) *file = events_path(**file, std::filesystem::path(**file).extension().string());
    }
    if (const Outcome written = write_figure_files(beside, [&eventsResult] { return events_figure(eventsResult); });
        !written) {
      return fail(written.failure());
    }
  }
  if (options.json) {
    const Outcome written =
        write_network_json(*options.json, *report, options.outsideWindows, digests.get(), eventsFile, eventsResult);
    if (!written) return fail(written.failure());
  }
  return 0;
}

// The report of the whole from the sums of its time ranges.
int run_combine(const ReportOptions& options, std::ostream& out, const std::function<int(const Failure&)>& fail) {
  std::vector<NamedInput> inputs;
  std::vector<PartialSums> partials;
  for (const std::string& file : options.combine) {
    inputs.push_back({file, "partial", file});
    Result<PartialSums> partial = read_partial_sums(file);
    if (!partial) return fail(partial.failure());
    partials.push_back(std::move(*partial));
  }
  std::future<Result<std::vector<InputDigest>>> digests;
  if (options.json) digests = digest_meanwhile(std::move(inputs));
  Result<PartialSums> combined = combine_partial_sums(std::move(partials));
  if (!combined) return fail(combined.failure());
  std::optional<events::EventsFile> eventsFile;
  if (options.events) {
    Result<events::EventsFile> read = events::read_events_file(*options.events);
    if (!read) return fail(read.failure());
    eventsFile = std::move(*read);
  }
  const std::string madeWith = combined->eventsSha256;
  if (eventsFile ? eventsFile->sha256 != madeWith || eventsFile->events.size() != combined->events.size()
                 : !madeWith.empty()) {
    return fail(Failure{(options.events ? *options.events : std::string("--events")) +
                            ": not the events file the partial sums were made with (sha256 " +
                            (madeWith.empty() ? std::string("none") : madeWith) + ")",
                        0});
  }
  const NetworkReport& report = combined->report;
  // As the whole run would, the sum of ranges without a valid second fails.
  if (!report.any_valid_second()) {
    return fail(Failure{"no valid second in the ranges of " + options.combine.front() + " and the rest", 0});
  }
  out << network_summary_text(report, combined->outsideWindows);
  events::EventsResult eventsResult;
  if (eventsFile) {
    events::EventsAnalysis analysis(eventsFile->events);
    if (!analysis.add(combined->events)) return fail(Failure{"an event's sums exceed 64 bits", 0});
    eventsResult = analysis.result();
    out << events_text(*eventsFile, eventsResult);
  }
  out << combined_text(*report.combined);
  if (options.json) {
    const Outcome written =
        write_network_json(*options.json, report, combined->outsideWindows, digests.get(), eventsFile, eventsResult);
    if (!written) return fail(written.failure());
  }
  return 0;
}

// The digest of a list of events, to be published before their data exist;
// a row that the analysis would leave out fails the registration.
int run_register(const std::string& path, std::ostream& out, const std::function<int(const Failure&)>& fail) {
  const Result<events::EventsFile> file = events::read_events_file(path);
  if (!file) return fail(file.failure());
  out << register_text(*file);
  if (!file->notes.empty()) return fail(Failure{path + ": rows left out; mend them before registering", 0});
  if (file->events.empty()) return fail(Failure{path + ": no event to register", 0});
  return 0;
}

}  // namespace

int run_report(std::span<const char* const> arguments, std::ostream& out, std::ostream& err) {
  const CommandLine<ReportOptions> parsed = parse_report_options(arguments);
  if (const auto* end = std::get_if<CommandLineEnd>(&parsed)) {
    if (end->status == 0) out << end->text;
    err << end->error_text("novabit-report", report_usage_text());
    return end->status;
  }
  const ReportOptions& options = std::get<ReportOptions>(parsed);
  const std::function<int(const Failure&)> fail = [&err](const Failure& problem) {
    err << CommandLineEnd::failure(problem).error_text("novabit-report", "");
    return 1;
  };
  if (options.registerEvents) return run_register(*options.registerEvents, out, fail);
  if (!options.network.empty()) return run_network(options, out, fail);
  if (!options.combine.empty()) return run_combine(options, out, fail);

  // Waiting for an input that sends nothing, or for a long replay, is shown
  // when standard error is a terminal.
  std::FILE* terminal = &err == &std::cerr && isatty(STDERR_FILENO) ? stderr : nullptr;
  const Result<ReportPlan> plan = plan_report(options.logs, options.trials, options.seals, terminal);
  if (!plan) return fail(plan.failure());
  std::future<Result<std::vector<InputDigest>>> digests;
  if (options.json) digests = digest_meanwhile(planned_inputs(*plan, options.seals));
  const Result<FieldReport> report = build_report(*plan, options.settings, options.csv);
  if (!report) return fail(report.failure());
  if (!report->any_record()) {
    std::string files;
    for (const auto* list : {&options.logs, &options.trials}) {
      for (const std::string& file : *list) files += (files.empty() ? "" : ", ") + file;
    }
    return fail(Failure{"no valid record in " + files, 0});
  }
  std::vector<Verification> verified;
  if (options.verify) {
    for (const PlannedSeal& seal : plan->seals) {
      Result<Verification> check = verify_seal(seal, *plan, terminal);
      if (!check) return fail(check.failure());
      verified.push_back(std::move(*check));
    }
  }
  out << summary_text(*report, verified);
  if (const Outcome written = write_figure_files(options, [&report] { return report_figure(*report); }); !written) {
    return fail(written.failure());
  }
  if (options.json) {
    const Result<std::vector<InputDigest>> digested = digests.get();
    if (!digested) return fail(digested.failure());
    const std::string json = field_report_json(*report, verified, *digested);
    if (const Outcome written = write_whole_file(*options.json, json); !written) return fail(written.failure());
  }
  for (const Verification& check : verified) {
    const std::string files = check.logFile + (check.trialsFile.empty() ? "" : " or " + check.trialsFile);
    if (check.differs()) return fail(Failure{check.sealFile + ": the replay differs from " + files, 0});
  }
  return 0;
}

}  // namespace novabit::report
