#include "report/report_program.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "report/field_report.h"
#include "report/report_options.h"
#include "report/report_picture.h"
#include "report/report_plan.h"
#include "report/seal_verify.h"
#include "report/summary_text.h"
#include "textio/failure.h"

namespace novabit::report {

int run_report(std::span<const char* const> arguments, std::ostream& out, std::ostream& err) {
  const ParsedOptions parsed = parse_report_options(arguments);
  out << parsed.output;
  err << parsed.error;
  if (!parsed.options) return parsed.exitStatus;
  const ReportOptions& options = *parsed.options;
  const auto fail = [&err](const Failure& problem) {
    err << "novabit-report: " << problem.message() << "\n";
    return 1;
  };

  const Result<ReportPlan> plan = plan_report(options.logs, options.trials, options.seals);
  if (!plan) return fail(plan.failure());
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
    // A long replay shows its progress when standard error is a terminal.
    std::FILE* progress = &err == &std::cerr && isatty(STDERR_FILENO) ? stderr : nullptr;
    for (const PlannedSeal& seal : plan->seals) {
      Result<Verification> check = verify_seal(seal, *plan, progress);
      if (!check) return fail(check.failure());
      verified.push_back(std::move(*check));
    }
  }
  out << summary_text(*report, verified);
  if (options.png) {
    if (const Outcome written = write_report_picture(*report, *options.png); !written) return fail(written.failure());
  }
  return 0;
}

}  // namespace novabit::report
