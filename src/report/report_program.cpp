#include "report/report_program.h"

#include <cstdio>
#include <optional>
#include <string>

#include "report/csv_table.h"
#include "report/field_report.h"
#include "report/report_options.h"
#include "report/report_picture.h"
#include "report/seal_windows.h"
#include "report/summary_text.h"
#include "textio/failure.h"
#include "textio/file_handles.h"

namespace novabit::report {

namespace {

// The file's bytes; a failure names the file.
Result<std::string> read_file(const std::string& path) {
  const StdioFile file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    return system_failure(path);
  }
  std::string bytes;
  char buffer[1 << 16];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, count);
  }
  if (std::ferror(file.get()) != 0) {
    return system_failure(path);
  }
  return bytes;
}

Outcome write_file(const std::string& path, const std::string& bytes) {
  StdioFile file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    return system_failure(path);
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    return system_failure(path);
  }
  return close_stdio(file, path);
}

}  // namespace

int run_report(std::span<const char* const> arguments, std::ostream& out, std::ostream& err) {
  const ParsedOptions parsed = parse_report_options(arguments);
  out << parsed.output;
  err << parsed.error;
  if (!parsed.options) {
    return parsed.exitStatus;
  }
  const ReportOptions& options = *parsed.options;
  const auto fail = [&err](const Failure& problem) {
    err << "novabit-report: " << problem.message() << "\n";
    return 1;
  };

  std::vector<StudyRun> runs;
  for (const std::string& path : options.logs) {
    const Result<std::string> bytes = read_file(path);
    if (!bytes) {
      return fail(bytes.failure());
    }
    runs.push_back(place_records(path, read_study_log(*bytes)));
  }
  std::vector<TrialsSummary> trials;
  for (const std::string& path : options.trials) {
    const Result<std::string> bytes = read_file(path);
    if (!bytes) {
      return fail(bytes.failure());
    }
    trials.push_back(summarize_trials(path, read_trials(*bytes), options.settings));
  }
  FieldReport report = build_report(std::move(runs), std::move(trials), options.settings);
  for (const std::string& path : options.seals) {
    Result<SealedRun> revealed = reveal_windows(path, report);
    if (!revealed) {
      return fail(revealed.failure());
    }
    report.sealed.push_back(std::move(*revealed));
  }

  out << summary_text(report);
  if (options.csv) {
    if (const Outcome written = write_file(*options.csv, csv_table(report)); !written) {
      return fail(written.failure());
    }
  }
  if (options.png) {
    if (const Outcome written = write_report_picture(report, *options.png); !written) {
      return fail(written.failure());
    }
  }
  return 0;
}

}  // namespace novabit::report
