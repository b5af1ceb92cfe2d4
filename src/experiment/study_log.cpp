#include "experiment/study_log.h"

#include "textio/formatting.h"

namespace novabit {

namespace {

std::optional<double> figure(LineValue value, const RecordFigures& figures) {
  switch (value) {
    case LineValue::period_average:
      return figures.periodAverage;
    case LineValue::global_one_average:
      return figures.globalOneAverage;
    case LineValue::global_zero_average:
      return figures.globalZeroAverage;
    case LineValue::none:
      break;
  }
  return std::nullopt;
}

}  // namespace

Outcome StudyLog::open(std::int32_t channel, const std::filesystem::path& directory, bool replay) {
  name_ = (directory / ("estudio_" + date_text(wallClock_.now()) + (replay ? ".replay" : ""))).string();
  Outcome opened = printer_.channels().open_output_file(name_, channel);
  created_ = opened.ok();
  return opened;
}

void StudyLog::write_checkpoint_record(int channel, const RecordForm& form, const PeriodTally& tally,
                                       const RecordFigures& figures) {
  // One reading: a date and a time read apart could straddle midnight.
  const LocalTime now = wallClock_.now();
  if (!form.mark.empty()) printer_.print_text(channel, form.mark, Separator::none);
  printer_.print_text(channel, date_text(now), Separator::none);
  printer_.print_text(channel, kDateTimeSeparator, Separator::none);
  printer_.print_text(channel, time_text(now), Separator::none);
  printer_.print_text(channel, form.head, Separator::none);
  // The larger count first.
  const bool onesFirst = form.leaning == Leaning::one;
  printer_.print_int(channel, onesFirst ? tally.ones : tally.zeros, Separator::zone);
  printer_.print_int(channel, onesFirst ? tally.zeros : tally.ones, Separator::newline);
  for (const RecordLine& line : form.lines) {
    if (line.value == LineValue::none) {
      printer_.print_text(channel, line.text, Separator::newline);
    } else {
      printer_.begin_picture(line.text);
      printer_.print_picture_number(channel, figure(line.value, figures), Separator::newline);
    }
  }
  // A failed commit is the channel's to report; the run goes on.
  static_cast<void>(printer_.channels().commit_record(channel));
}

void StudyLog::write_cycle_record(int channel, std::int32_t cyclesCompleted) {
  printer_.print_text(channel, date_text(wallClock_.now()), Separator::none);
  printer_.print_text(channel, kCycleRecordText, Separator::none);
  printer_.print_int(channel, cyclesCompleted, Separator::newline);
  // A failed commit is the channel's to report; the run goes on.
  static_cast<void>(printer_.channels().commit_record(channel));
}

}  // namespace novabit
