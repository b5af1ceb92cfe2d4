#include "report/report_program.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "report/csv_table.h"
#include "report/field_report.h"
#include "report/report_options.h"
#include "report/report_picture.h"
#include "report/seal_windows.h"
#include "report/summary_text.h"

namespace novabit::report {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The file's bytes, or the reason ("FILE: reason") they cannot be had.
std::optional<std::string> read_file(const std::string& path, std::string& bytes) {
  const File file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) {
    return path + ": " + std::strerror(errno);
  }
  char buffer[1 << 16];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, count);
  }
  if (std::ferror(file.get()) != 0) {
    return path + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

std::optional<std::string> write_file(const std::string& path, const std::string& bytes) {
  File file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) {
    return path + ": " + std::strerror(errno);
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  if (!written || std::fclose(file.release()) != 0) {
    return path + ": " + std::strerror(errno);
  }
  return std::nullopt;
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
  const auto fail = [&err](const std::string& problem) {
    err << "novabit-report: " << problem << "\n";
    return 1;
  };

  std::vector<StudyRun> runs;
  for (const std::string& path : options.logs) {
    std::string bytes;
    if (const auto problem = read_file(path, bytes)) {
      return fail(*problem);
    }
    runs.push_back(place_records(path, read_study_log(bytes)));
  }
  std::vector<TrialsSummary> trials;
  for (const std::string& path : options.trials) {
    std::string bytes;
    if (const auto problem = read_file(path, bytes)) {
      return fail(*problem);
    }
    trials.push_back(summarize_trials(path, read_trials(bytes), options.settings));
  }
  FieldReport report = build_report(std::move(runs), std::move(trials), options.settings);
  for (const std::string& path : options.seals) {
    auto revealed = reveal_windows(path, report);
    if (const auto* problem = std::get_if<std::string>(&revealed)) {
      return fail(*problem);
    }
    report.sealed.push_back(std::move(std::get<SealedRun>(revealed)));
  }

  out << summary_text(report);
  if (options.csv) {
    if (const auto problem = write_file(*options.csv, csv_table(report))) {
      return fail(*problem);
    }
  }
  if (options.png) {
    if (const auto problem = write_report_picture(report, *options.png)) {
      return fail(*problem);
    }
  }
  return 0;
}

}  // namespace novabit::report
