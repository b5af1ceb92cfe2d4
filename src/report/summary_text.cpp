#include "report/summary_text.h"

#include <algorithm>
#include <cmath>

#include "experiment/experiment_numbers.h"
#include "report/log_time.h"
#include "report/printf_text.h"

namespace novabit::report {

namespace {

const char* kSeriesHeading =
    "                       trials  Stouffer Z         p       chi2         p   deviation    envelope"
    "    max E  always-valid p  first crossing\n";

std::string series_row(const std::string& label, const SeriesStatistics& s, const std::string& crossing) {
  if (s.trials == 0) return printf_text("  %-19s %8d  (no trials)\n", label.c_str(), 0);
  return printf_text("  %-19s %8lld  %10.3f  %8s  %9.1f  %8s  %+10.0f  %10.1f  %7s  %14s  %s\n", label.c_str(),
                     static_cast<long long>(s.trials), s.stouffer_z(), p_text(s.stouffer_p()).c_str(), s.sumZSquared,
                     p_text(s.chi_square_p()).c_str(), s.deviation, s.envelope, e_value_text(s.maxLogE).c_str(),
                     p_text(s.always_valid_p()).c_str(), crossing.c_str());
}

std::string stamp_crossing(const Series& series) {
  return series.crossed_at() ? stamp_text(*series.crossed_at()) : "none";
}

std::string pass_crossing(const Series& series) {
  return series.crossed_at() ? "pass " + std::to_string(*series.crossed_at()) : "none";
}

std::string start_text(const RunReport& run) {
  if (!run.start) return "no record placed";
  constexpr const char* kFrom[] = {"as its seal gives it", "as its raw record gives it",
                                   "reckoned from its first records"};
  return "from " + stamp_text(*run.start) + ", " + kFrom[static_cast<int>(run.plan.startFrom)] + ", " + run.placedBy;
}

// The other files of a run; a name given more than once is marked so, once,
// and a file that begins later or ends sooner than the one read says where.
std::string copies_text(const PlannedFile& read) {
  std::string text;
  const std::vector<Copy>& copies = read.copies;
  for (std::size_t i = 0; i < copies.size(); ++i) {
    const auto same = [&](const Copy& copy) { return copy.file == copies[i].file; };
    if (std::any_of(copies.begin(), copies.begin() + static_cast<std::ptrdiff_t>(i), same)) continue;
    const bool again = copies[i].file == read.file || std::count_if(copies.begin(), copies.end(), same) > 1;
    text += (text.empty() ? "" : ", ") + copies[i].file + (again ? " (given twice)" : "");
    // Less than a period from the start is its first record's lateness, not a lost beginning.
    if (copies[i].firstPass > kFiveMinutePasses) {
      text += " (passes " + std::to_string(copies[i].firstPass) + " to " + std::to_string(copies[i].lastPass) + ")";
    } else if (copies[i].lastPass < read.lastPass) {
      text += " (to pass " + std::to_string(copies[i].lastPass) + ")";
    }
  }
  return text;
}

void add_runs(const FieldReport& report, std::string& text) {
  text += "Runs, in time order\n";
  for (std::size_t r = 0; r < report.runs.size(); ++r) {
    const RunReport& run = report.runs[r];
    text += printf_text("  run %zu  %s  %s: %s, %s, %s", r + 1, run.plan.log.file.c_str(), start_text(run).c_str(),
                        plural(run.fiveMinutes, "five-minute record").c_str(),
                        plural(run.quarters, "quarter record").c_str(), plural(run.cycleEnds, "cycle record").c_str());
    text += run.damaged > 0 ? ", " + plural(run.damaged, "damaged record") : "";
    text +=
        printf_text("; %s skipped; %lld of %lld quarters checked\n", plural(run.notes.skipped_lines(), "line").c_str(),
                    static_cast<long long>(run.quartersChecked), static_cast<long long>(run.quarters));
    if (!run.plan.log.copies.empty()) {
      text += "         the same run, counted once: " + copies_text(run.plan.log) + "\n";
    }
  }
  for (const Overlap& overlap : report.overlaps) {
    text += printf_text("  runs %zu and %zu overlap in time from %s to %s: different runs, both counted\n",
                        overlap.first + 1, overlap.second + 1, stamp_text(overlap.from).c_str(),
                        stamp_text(overlap.to).c_str());
  }
  std::string problems;
  for (const RunReport& run : report.runs) append_notes(run.plan.log.file, run.notes, problems);
  for (const TrialsReport& trials : report.trials) append_notes(trials.plan.file, trials.notes, problems);
  for (const FileNote& note : report.leftOut) problems += note.file + ": " + note.message + "\n";
  if (!problems.empty()) text += "\nNotes on the input, by file and line\n" + problems;
}

void add_checkpoints(const FieldReport& report, std::string& text) {
  text += printf_text("\nFive-minute records (n = %d bits each), by 12-hour cycle and in all\n", kFiveMinuteBits);
  text += kSeriesHeading;
  for (const CycleSummary& cycle : report.cycles) {
    text += series_row(printf_text("run %zu cycle %lld", cycle.run + 1, static_cast<long long>(cycle.cycle)),
                       cycle.fiveMinutes.statistics(), stamp_crossing(cycle.fiveMinutes));
  }
  text += series_row("all", report.fiveMinutes.statistics(), stamp_crossing(report.fiveMinutes));
  text += printf_text("\nQuarter records (n = %d bits each)\n", kQuarterBits);
  text += kSeriesHeading;
  text += series_row("all", report.quarters.statistics(), stamp_crossing(report.quarters));
}

void add_trials(const FieldReport& report, std::string& text) {
  for (const TrialsReport& trials : report.trials) {
    const SeriesStatistics& s = trials.seconds.statistics();
    text += "\nSeconds of " + trials.plan.file + " (n = " + std::to_string(kBitsPerPass) + " bits each";
    text += trials.plan.head.source.empty() ? "" : ", source " + trials.plan.head.source;
    text += trials.run ? ", run " + std::to_string(*trials.run + 1) + ")\n" : ")\n";
    if (!trials.plan.copies.empty()) {
      text += "  the same run, counted once: " + copies_text(trials.plan) + "\n";
    }
    text += kSeriesHeading;
    for (const auto& [cycle, seconds] : trials.cycles) {
      text += series_row("cycle " + std::to_string(cycle), seconds.statistics(), pass_crossing(seconds));
    }
    text += series_row("all", s, pass_crossing(trials.seconds));
    text += printf_text("  variance statistic sum(z^2 - 1) = %.6g over %s, p %s\n", s.variance_statistic(),
                        plural(s.trials, "second").c_str(), p_text(s.chi_square_p()).c_str());
    std::string alarms;
    for (const auto& [name, count] : trials.alarms) {
      alarms += printf_text("%s%s %lld", alarms.empty() ? "" : ", ", name.c_str(), static_cast<long long>(count));
    }
    text += printf_text("  health alarms: %s in %lld%s%s\n", plural(trials.alarmSeconds, "second").c_str(),
                        static_cast<long long>(s.trials), alarms.empty() ? "" : ": ", alarms.c_str());
  }
}

std::string proof_text(const SealedRun& sealed) {
  if (!sealed.replayed) return "its raw record's key_sha256";
  return printf_text("its replay (%lld of the first %lld records reproduced)",
                     static_cast<long long>(sealed.replayed->reproduced),
                     static_cast<long long>(sealed.replayed->compared));
}

void add_windows(const FieldReport& report, std::string& text) {
  for (const SealedRun& sealed : report.sealed) {
    text += printf_text("\nHidden windows of run %zu, revealed by %s, its key proven by %s\n", sealed.run + 1,
                        sealed.sealFile.c_str(), proof_text(sealed).c_str());
    // The minutes as the simulator's trace numbers a pass's cycle_minute.
    text += "  (minutes of the cycle counted from 0: a window forces the 99 minutes after its start minute)\n";
    text +=
        "  cycle  forced minutes  bit   inside  Stouffer Z         p  outside  Stouffer Z         p"
        "   scan minutes  scan |Z|  overlap\n";
    for (const CycleWindow& window : sealed.windows.cycles) {
      const std::string scan =
          window.scan
              ? printf_text("%6lld-%-6lld  %8.2f  %3lld min%s", static_cast<long long>(window.scan->firstMinute),
                            static_cast<long long>(window.scan->lastMinute), window.scan->score,
                            static_cast<long long>(window.scan->overlapMinutes), window.scan->found() ? ", found" : "")
              : "  (too short to scan)";
      const auto figures = [](const SeriesStatistics& s) {
        return s.trials == 0 ? printf_text("  %7d  %10s  %8s", 0, "-", "-")
                             : printf_text("  %7lld  %10.3f  %8s", static_cast<long long>(s.trials), s.stouffer_z(),
                                           p_text(s.stouffer_p()).c_str());
      };
      text += printf_text("  %5lld  %6lld-%-6lld  %3d%s%s  %s\n", static_cast<long long>(window.cycle),
                          static_cast<long long>(window.place.startMinute + 1),
                          static_cast<long long>(window.place.startMinute + kBiasWindowMinutes), window.place.bit,
                          figures(window.inside).c_str(), figures(window.outside).c_str(), scan.c_str());
    }
    const SeriesStatistics& towards = sealed.windows.insideTowardsBit;
    text += printf_text("  inside every window, towards its forced value: %s, Stouffer Z %.3f, p %s\n",
                        plural(towards.trials, "record").c_str(), towards.stouffer_z(),
                        p_text(towards.stouffer_p()).c_str());
    text +=
        printf_text("  the blind scan found the window in %lld of %lld cycles (more than half its minutes)\n",
                    static_cast<long long>(sealed.windows.scansFound), static_cast<long long>(sealed.windows.scans));
  }
}

void add_verified(const std::vector<Verification>& verified, std::string& text) {
  std::int64_t records = 0;
  std::int64_t seconds = 0;
  for (const Verification& check : verified) {
    text += "\nReplayed from " + check.sealFile + ": the seal reproduces " + std::to_string(check.recordsReproduced) +
            " of " + plural(check.records, "record") + " of " + check.logFile;
    if (!check.trialsFile.empty()) {
      text += " and " + std::to_string(check.secondsReproduced) + " of " + plural(check.seconds, "second") + " of " +
              check.trialsFile;
    }
    text += "\n";
    append_notes(check.logFile, check.logDifferences, text);
    append_notes(check.trialsFile, check.trialsDifferences, text);
    records += check.records - check.recordsReproduced;
    seconds += check.seconds - check.secondsReproduced;
  }
  if (records + seconds > 0) {
    text += "\nVerification failed: " + plural(records, "record") + " and " + plural(seconds, "second") +
            " differ from the replay\n";
  }
}

}  // namespace

void append_notes(const std::string& file, const FileNotes& notes, std::string& text) {
  std::vector<LineNote> shown = notes.shown();
  std::stable_sort(shown.begin(), shown.end(), [](const LineNote& a, const LineNote& b) { return a.line < b.line; });
  for (const LineNote& note : shown) {
    text += note.line > 0 ? printf_text("%s:%zu: ", file.c_str(), note.line) : file + ": ";
    text += note.skipped ? "skipped: " : "";
    text += note.message + "\n";
  }
  if (notes.unshown() > 0) text += file + ": " + plural(notes.unshown(), "more problem line") + "\n";
}

std::string p_text(long double p) {
  if (p <= 0) return "< 1e-4900";
  return p >= 0.001L ? printf_text("%.4Lf", p) : printf_text("%.2Le", p);
}

std::string e_value_text(double logValue) {
  const double log10Value = logValue / std::log(10.0);
  if (log10Value < 5) return printf_text("%.2f", std::exp(logValue));
  // The mantissa rounded first, so that 9.96e+400 shows as 1.0e+401.
  double exponent = std::floor(log10Value);
  double mantissa = std::round(std::pow(10.0, log10Value - exponent) * 10) / 10;
  if (mantissa >= 10) {
    mantissa /= 10;
    exponent += 1;
  }
  return printf_text("%.1fe%+.0f", mantissa, exponent);
}

std::string summary_text(const FieldReport& report, const std::vector<Verification>& verified) {
  std::int64_t quarters = 0;
  for (const RunReport& run : report.runs) quarters += run.quarters;
  std::string text = printf_text("NovaBit field report: %s, %s of 12 hours, %s and %s\n",
                                 plural(static_cast<std::int64_t>(report.runs.size()), "run").c_str(),
                                 plural(static_cast<std::int64_t>(report.cycles.size()), "cycle").c_str(),
                                 plural(report.fiveMinutes.statistics().trials, "five-minute record").c_str(),
                                 plural(quarters, "quarter record").c_str());
  text += printf_text(
      "z = (k - n/2) / sqrt(n/4); p two-sided for Stouffer Z, upper tail for chi-square (df = trials);\n"
      "deviation = sum of (k - n/2) in bits, envelope = 1.96 sqrt(N n/4); always-valid boundary: normal\n"
      "mixture with tau %.4g per five-minute record, crossing at E >= 1/alpha = %.4g; cycles count from 1\n\n",
      report.settings.tau, 1 / report.settings.alpha);
  add_runs(report, text);
  add_checkpoints(report, text);
  add_trials(report, text);
  add_windows(report, text);
  add_verified(verified, text);
  return text;
}

}  // namespace novabit::report
