#include "report/field_report.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <queue>

#include "experiment/bias_window.h"
#include "report/csv_table.h"
#include "report/run_log.h"
#include "report/trials_reader.h"

namespace novabit::report {

namespace {

// One planned file being read; its next item has a place in the time order
// of the whole input: the local time its pass ended, then the order in
// which one pass writes them.
struct Input {
  std::size_t index = 0;  // into the runs, or the raw records
  std::optional<std::int64_t> start;
  std::unique_ptr<PassClock> clock;  // of a log whose run's raw record is given
  std::unique_ptr<RunLog> log;
  std::unique_ptr<TrialsStream> trials;
  std::optional<Checkpoint> record;
  std::size_t recordFile = 0;  // as RunRecord::file
  std::optional<TrialSecond> second;

  // Reads the next item; false at the end of the file.
  Result<bool> advance() {
    if (log) {
      const Next<RunRecord> next = log->next();
      if (!next) return next.failure();
      record.reset();
      if (*next) {
        record = (*next)->record;
        recordFile = (*next)->file;
      }
      if (!start) start = log->start();
      return record.has_value();
    }
    const Next<TrialSecond> next = trials->next();
    if (!next) return next.failure();
    second = *next;
    if (second && !start) start = second->local - second->pass + 1;
    return second.has_value();
  }
  std::int64_t pass() const { return record ? record->pass : second->pass; }
  // A second's row before the records its pass writes.
  int order() const { return record ? place_of(record->kind, record->pass).order + 1 : 0; }
};

struct Position {
  std::int64_t time;
  int order;
  std::size_t input;
  auto operator<=>(const Position&) const = default;
};

class Builder {
 public:
  Builder(const ReportPlan& plan, BoundarySettings settings, const std::optional<std::string>& csvPath)
      : report_(settings) {
    if (csvPath) csv_.emplace(*csvPath);
    for (const PlannedRun& run : plan.runs) report_.runs.push_back({run, {}, {}, {}, 0, 0, 0, 0, 0});
    for (const PlannedFile& file : plan.trials) {
      report_.trials.push_back({file, {}, {}, Series(kBitsPerPass, settings), {}, {}, 0});
    }
    for (std::size_t r = 0; r < plan.runs.size(); ++r) {
      if (plan.runs[r].trials) report_.trials[*plan.runs[r].trials].run = r;
    }
    report_.overlaps = plan.overlaps;
    report_.leftOut = plan.leftOut;
    windows_.resize(plan.runs.size());
    for (const PlannedSeal& seal : plan.seals) {
      const bool bitsFromStream = seal.seal.source.kind == SourceSpec::Kind::keyed;
      windows_[seal.run].emplace(
          [key = seal.seal.key, bitsFromStream](std::int64_t cycle) {
            const BiasWindowPlace place = bias_window_of_cycle(key, cycle - 1, bitsFromStream);
            return WindowPlace{place.startMinute, place.bit};
          },
          settings);
    }
    currentCycle_.resize(plan.runs.size());
  }

  Outcome take(const Input& input) {
    return input.log ? take_record(input.index, *input.record, input.recordFile)
                     : take_second(input.index, *input.second);
  }

  void finish_log(std::size_t index, const RunLog& log) {
    report_.runs[index].quartersChecked = log.quarters_checked();
    report_.runs[index].start = log.start();
    report_.runs[index].placedBy = log.placed_by();
  }
  void finish_trials(std::size_t index, TrialsStream& trials) {
    report_.trials[index].alarms = trials.reader().alarms();
  }

  Result<FieldReport> finish(const ReportPlan& plan) {
    if (csv_) {
      if (Outcome closed = csv_->close(); !closed) return closed.failure();
    }
    for (const PlannedSeal& seal : plan.seals) {
      report_.sealed.push_back({seal.run, seal.file, windows_[seal.run]->finish(), seal.replayed});
    }
    std::stable_sort(report_.cycles.begin(), report_.cycles.end(),
                     [](const CycleSummary& a, const CycleSummary& b) { return a.run < b.run; });
    return std::move(report_);
  }

  FileNotes& notes_of(bool log, std::size_t index) {
    return log ? report_.runs[index].notes : report_.trials[index].notes;
  }

 private:
  Outcome row(const std::string& file, std::size_t line, std::int64_t stamp, const char* kind, std::int64_t pass,
              std::int64_t ones, const Series& series) {
    if (!csv_) return {};
    return csv_->add({file, line, stamp, kind, pass, ones, series.accumulator()});
  }

  Series& cycle_series(std::size_t run, std::int64_t cycle) {
    std::optional<std::size_t>& current = currentCycle_[run];
    if (!current || report_.cycles[*current].cycle != cycle) {
      report_.picture.boundaries.push_back({report_.picture.ones.size(), !current});
      current = report_.cycles.size();
      report_.cycles.push_back({run, cycle, Series(kFiveMinuteBits, report_.settings)});
    }
    return report_.cycles[*current].fiveMinutes;
  }

  Outcome take_record(std::size_t index, const Checkpoint& record, std::size_t fileIndex) {
    RunReport& run = report_.runs[index];
    const std::string& file = fileIndex == 0 ? run.plan.log.file : run.plan.log.copies[fileIndex - 1].file;
    if (record.kind == RecordKind::cycle) {
      ++run.cycleEnds;
      return {};
    }
    if (!record.counted) {
      ++run.damaged;
      return {};
    }
    if (record.kind == RecordKind::quarter) {
      ++run.quarters;
      report_.quarters.add(record.ones, record.stamp);
      return row(file, record.line, record.stamp, "quarter", record.pass, record.ones, report_.quarters);
    }
    ++run.fiveMinutes;
    cycle_series(index, cycle_of_pass(record.pass)).add(record.ones, record.stamp);
    report_.fiveMinutes.add(record.ones, record.stamp);
    report_.picture.ones.push_back(record.ones);
    report_.picture.window.push_back(windows_[index] ? windows_[index]->add(record) : WindowShare::outside);
    return row(file, record.line, record.stamp, "five_minute", record.pass, record.ones, report_.fiveMinutes);
  }

  Outcome take_second(std::size_t index, const TrialSecond& second) {
    TrialsReport& trials = report_.trials[index];
    trials.seconds.add(second.ones, second.pass);
    auto cycle = trials.cycles.try_emplace(cycle_of_pass(second.pass), kBitsPerPass, report_.settings).first;
    cycle->second.add(second.ones, second.pass);
    trials.alarmSeconds += second.alarm ? 1 : 0;
    return row(trials.plan.file, second.line, second.local, "second", second.pass, second.ones, trials.seconds);
  }

  FieldReport report_;
  std::optional<CsvTable> csv_;
  std::vector<std::optional<WindowChecker>> windows_;
  std::vector<std::optional<std::size_t>> currentCycle_;
};

constexpr std::int64_t kNoStart = std::numeric_limits<std::int64_t>::max();

struct Pending {
  std::int64_t start;
  bool log;
  std::size_t index;
};

// The planned files in the order of their starts, those without one last. A
// raw record counts its passes from its run's pass 1.
std::vector<Pending> opening_order(const ReportPlan& plan) {
  std::vector<Pending> pending;
  for (std::size_t r = 0; r < plan.runs.size(); ++r)
    pending.push_back({plan.runs[r].log.start.value_or(kNoStart), true, r});
  for (std::size_t t = 0; t < plan.trials.size(); ++t) {
    std::optional<std::int64_t> start = plan.trials[t].start;
    for (const PlannedRun& run : plan.runs) {
      if (run.trials == t) start = run.log.start;
    }
    pending.push_back({start.value_or(kNoStart), false, t});
  }
  std::stable_sort(pending.begin(), pending.end(),
                   [](const Pending& a, const Pending& b) { return a.start < b.start; });
  return pending;
}

// Opens a planned file and reads its first item; false when it has none.
Result<bool> open_input(const ReportPlan& plan, const Pending& file, Builder& builder, Input& input) {
  input.index = file.index;
  FileNotes& notes = builder.notes_of(file.log, file.index);
  if (file.log) {
    const PlannedRun& run = plan.runs[file.index];
    if (run.trials) {
      Result<PassClock> clock = PassClock::read(plan.trials[*run.trials].path);
      if (!clock) return clock.failure();
      input.clock = std::make_unique<PassClock>(std::move(*clock));
    }
    Result<std::unique_ptr<RunLog>> stream = RunLog::open(run.log, notes, input.clock.get());
    if (!stream) return stream.failure();
    input.log = std::move(*stream);
  } else {
    Result<std::unique_ptr<TrialsStream>> stream = TrialsStream::open(plan.trials[file.index].path, notes);
    if (!stream) return stream.failure();
    input.trials = std::move(*stream);
  }
  input.start = file.start == kNoStart ? std::nullopt : std::optional(file.start);
  return input.advance();
}

// At the end of a file: what only its reader knows, then its buffers freed.
void close_input(Builder& builder, Input& input) {
  if (input.log) builder.finish_log(input.index, *input.log);
  if (input.trials) builder.finish_trials(input.index, *input.trials);
  input = Input{};
}

}  // namespace

bool FieldReport::any_record() const {
  std::int64_t seconds = 0;
  for (const TrialsReport& file : trials) seconds += file.seconds.statistics().trials;
  return fiveMinutes.statistics().trials + quarters.statistics().trials + seconds > 0;
}

Result<FieldReport> build_report(const ReportPlan& plan, BoundarySettings settings,
                                 const std::optional<std::string>& csvPath) {
  Builder builder(plan, settings, csvPath);
  // Files are opened as the merge reaches their starts, so that only runs
  // overlapping in time are open together.
  const std::vector<Pending> pending = opening_order(plan);
  std::vector<Input> inputs(pending.size());
  const auto position = [&inputs](std::size_t i) {
    const Input& input = inputs[i];
    return Position{input.start.value_or(0) + input.pass() - 1, input.order(), i};
  };
  std::priority_queue<Position, std::vector<Position>, std::greater<>> next;
  for (std::size_t opened = 0;;) {
    for (; opened < pending.size() && (next.empty() || pending[opened].start <= next.top().time); ++opened) {
      const Result<bool> first = open_input(plan, pending[opened], builder, inputs[opened]);
      if (!first) return first.failure();
      if (*first) {
        next.push(position(opened));
      } else {
        close_input(builder, inputs[opened]);
      }
    }
    if (next.empty()) break;
    const std::size_t at = next.top().input;
    next.pop();
    if (Outcome taken = builder.take(inputs[at]); !taken) return taken.failure();
    const Result<bool> more = inputs[at].advance();
    if (!more) return more.failure();
    if (*more) {
      next.push(position(at));
    } else {
      close_input(builder, inputs[at]);
    }
  }
  return builder.finish(plan);
}

}  // namespace novabit::report
