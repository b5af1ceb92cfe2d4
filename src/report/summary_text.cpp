#include "report/summary_text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "experiment/experiment_numbers.h"
#include "report/log_time.h"

namespace novabit::report {

namespace {

// printf into a string; every caller's text is short.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, pattern);
  const int length = std::vsnprintf(text, sizeof text, pattern, arguments);
  va_end(arguments);
  return std::string(text, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
}

std::string plural(std::int64_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

const char* kSeriesHeading =
    "                       trials  Stouffer Z         p       chi2         p   deviation    envelope"
    "    max E  always-valid p  first crossing\n";

std::string series_row(const std::string& label, const SeriesStatistics& s, const std::string& crossing) {
  return format("  %-19s %8lld  %10.3f  %8s  %9.1f  %8s  %+10.0f  %10.1f  %7s  %14s  %s\n", label.c_str(),
                static_cast<long long>(s.trials), s.stouffer_z(), p_text(s.stouffer_p()).c_str(), s.sumZSquared,
                p_text(s.chi_square_p()).c_str(), s.deviation, s.envelope, e_value_text(s.maxLogE).c_str(),
                p_text(s.always_valid_p()).c_str(), crossing.c_str());
}

// When the series of records from `first` on crossed the boundary.
std::string crossing_text(const FieldReport& report, const SeriesStatistics& s, std::size_t first,
                          std::vector<Checkpoint> StudyRun::*series = &StudyRun::fiveMinutes) {
  if (!s.firstCrossing) {
    return "none";
  }
  const Checkpoint* record = report.record_at(series, first + static_cast<std::size_t>(*s.firstCrossing));
  return record == nullptr ? "?" : stamp(record->when);
}

void add_runs(const FieldReport& report, std::string& text) {
  text += "Runs, in time order\n";
  for (std::size_t r = 0; r < report.runs.size(); ++r) {
    const StudyRun& run = report.runs[r];
    const std::optional<std::int64_t> start = run.start_seconds();
    text += format("  run %zu  %s  %s  %s, %s, %s; %s skipped; %lld of %zu quarters checked\n", r + 1, run.file.c_str(),
                   start ? ("from " + stamp(local_time_of(*start))).c_str() : "no checkpoint record",
                   plural(static_cast<std::int64_t>(run.fiveMinutes.size()), "five-minute record").c_str(),
                   plural(static_cast<std::int64_t>(run.quarters.size()), "quarter record").c_str(),
                   plural(static_cast<std::int64_t>(run.cycleEnds.size()), "cycle record").c_str(),
                   plural(run.skippedLines, "line").c_str(), static_cast<long long>(run.quartersChecked),
                   run.quarters.size());
  }
  bool heading = false;
  for (const StudyRun& run : report.runs) {
    for (const LineNote& note : run.notes) {
      text += heading ? "" : "\nLines skipped and records that do not fit\n";
      heading = true;
      text += format("  %s:%zu: %s%s\n", run.file.c_str(), note.line, note.skipped ? "skipped: " : "",
                     note.message.c_str());
    }
  }
}

void add_checkpoints(const FieldReport& report, std::string& text) {
  text += format("\nFive-minute records (n = %d bits each), by 12-hour cycle and in all\n", kFiveMinuteBits);
  text += kSeriesHeading;
  for (const CycleSummary& cycle : report.cycles) {
    text += series_row(format("run %zu cycle %lld", cycle.run + 1, static_cast<long long>(cycle.cycle + 1)),
                       cycle.fiveMinutes, crossing_text(report, cycle.fiveMinutes, cycle.firstRecord));
  }
  text += series_row("all", report.fiveMinutes, crossing_text(report, report.fiveMinutes, 0));
  text += format("\nQuarter records (n = %d bits each)\n", kQuarterBits);
  text += kSeriesHeading;
  text += series_row("all", report.quarters, crossing_text(report, report.quarters, 0, &StudyRun::quarters));
}

void add_trials(const FieldReport& report, std::string& text) {
  for (const TrialsSummary& trials : report.trials) {
    const SeriesStatistics& s = trials.seconds;
    text += "\nSeconds of " + trials.file + " (n = " + std::to_string(kBitsPerPass) + " bits each";
    text += trials.contents.source.empty() ? ")\n" : ", source " + trials.contents.source + ")\n";
    text += kSeriesHeading;
    // Passes are consecutive; a gap is noted below.
    for (std::size_t cycle = 0; cycle < trials.cycles.size(); ++cycle) {
      const SeriesStatistics& c = trials.cycles[cycle].seconds;
      const std::string passText =
          c.firstCrossing ? "pass " + std::to_string(trials.cycles[cycle].firstPass + *c.firstCrossing) : "none";
      text += c.trials == 0 ? "" : series_row(format("cycle %zu", cycle + 1), c, passText);
    }
    const std::string crossing =
        s.firstCrossing ? "pass " + std::to_string(trials.contents.seconds[*s.firstCrossing].pass) : "none";
    text += series_row("all", s, crossing);
    text += format("  variance statistic sum(z^2 - 1) = %.6g over %lld seconds, p %s\n", s.variance_statistic(),
                   static_cast<long long>(s.trials), p_text(s.chi_square_p()).c_str());
    std::string alarms;
    for (const auto& [name, count] : trials.contents.alarms) {
      alarms += format("%s%s %lld", alarms.empty() ? "" : ", ", name.c_str(), static_cast<long long>(count));
    }
    text += format("  health alarms: %s in %s%s%s\n", plural(trials.alarmSeconds, "second").c_str(),
                   std::to_string(s.trials).c_str(), alarms.empty() ? "" : ": ", alarms.c_str());
    std::int64_t skipped = 0;
    for (const LineNote& note : trials.contents.notes) {
      skipped += note.skipped ? 1 : 0;
      text += format("  %s:%zu: %s%s\n", trials.file.c_str(), note.line, note.skipped ? "skipped: " : "",
                     note.message.c_str());
    }
    text += format("  %s skipped\n", plural(skipped, "line").c_str());
  }
}

void add_windows(const FieldReport& report, std::string& text) {
  for (const SealedRun& sealed : report.sealed) {
    text += format("\nHidden windows of run %zu, revealed by %s\n", sealed.run + 1, sealed.sealFile.c_str());
    text += "  cycle  forced minutes  bit   inside  Stouffer Z         p  outside  Stouffer Z         p"
            "   scan minutes  scan |Z|  overlap\n";
    for (const CycleWindow& window : sealed.windows.cycles) {
      const std::string scan =
          window.scan ? format("%6lld-%-6lld  %8.2f  %3lld min%s", static_cast<long long>(window.scan->firstMinute),
                               static_cast<long long>(window.scan->lastMinute), window.scan->score,
                               static_cast<long long>(window.scan->overlapMinutes),
                               window.scan->found() ? ", found" : "")
                      : "  (too short to scan)";
      text += format("  %5lld  %6lld-%-6lld  %3d  %7lld  %10.3f  %8s  %7lld  %10.3f  %8s  %s\n",
                     static_cast<long long>(window.cycle + 1), static_cast<long long>(window.place.startMinute + 1),
                     static_cast<long long>(window.place.startMinute + kBiasWindowMinutes), window.place.bit,
                     static_cast<long long>(window.inside.trials), window.inside.stouffer_z(),
                     p_text(window.inside.stouffer_p()).c_str(), static_cast<long long>(window.outside.trials),
                     window.outside.stouffer_z(), p_text(window.outside.stouffer_p()).c_str(), scan.c_str());
    }
    const SeriesStatistics& towards = sealed.windows.insideTowardsBit;
    text += format("  inside every window, towards its forced value: %lld records, Stouffer Z %.3f, p %s\n",
                   static_cast<long long>(towards.trials), towards.stouffer_z(), p_text(towards.stouffer_p()).c_str());
    text += format("  the blind scan found the window in %lld of %lld cycles (more than half its minutes)\n",
                   static_cast<long long>(sealed.windows.scansFound), static_cast<long long>(sealed.windows.scans));
  }
}

}  // namespace

std::string p_text(long double p) {
  if (p <= 0) {
    return "< 1e-4900";
  }
  return p >= 0.001L ? format("%.4Lf", p) : format("%.2Le", p);
}

std::string e_value_text(double logValue) {
  const double log10Value = logValue / std::log(10.0);
  if (log10Value < 5) {
    return format("%.2f", std::exp(logValue));
  }
  const double exponent = std::floor(log10Value);
  return format("%.1fe%+.0f", std::pow(10.0, log10Value - exponent), exponent);
}

std::string summary_text(const FieldReport& report) {
  std::int64_t quarters = 0;
  for (const StudyRun& run : report.runs) {
    quarters += static_cast<std::int64_t>(run.quarters.size());
  }
  std::string text = format("NovaBit field report: %s, %s of 12 hours, %s and %s\n",
                            plural(static_cast<std::int64_t>(report.runs.size()), "run").c_str(),
                            plural(static_cast<std::int64_t>(report.cycles.size()), "cycle").c_str(),
                            plural(report.fiveMinutes.trials, "five-minute record").c_str(),
                            plural(quarters, "quarter record").c_str());
  text += format("z = (k - n/2) / sqrt(n/4); p two-sided for Stouffer Z, upper tail for chi-square (df = trials);\n"
                 "deviation = sum of (k - n/2) in bits, envelope = 1.96 sqrt(N n/4); always-valid boundary: normal\n"
                 "mixture with tau %.4g per five-minute record, crossing at E >= 1/alpha = %.4g\n\n",
                 report.settings.tau, 1 / report.settings.alpha);
  add_runs(report, text);
  add_checkpoints(report, text);
  add_trials(report, text);
  add_windows(report, text);
  return text;
}

}  // namespace novabit::report
