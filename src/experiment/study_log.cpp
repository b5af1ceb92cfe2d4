#include "experiment/study_log.h"

#include "textio/formatting.h"

namespace novabit {

namespace {

constexpr auto kNone = Separator::none;
constexpr auto kZone = Separator::zone;
constexpr auto kNewline = Separator::newline;

// The counts of a checkpoint line, the larger one first.
void write_counts(Printer& printer, int channel, std::int32_t zeros, std::int32_t ones, Leaning leaning) {
  const bool onesFirst = leaning == Leaning::one;
  printer.print_int(channel, onesFirst ? ones : zeros, kZone);
  printer.print_int(channel, onesFirst ? zeros : ones, kNewline);
}

}  // namespace

ResultCode StudyLog::open(std::int32_t channel, const std::filesystem::path& directory) {
  name_ = (directory / ("estudio_" + date_text(wallClock_.now()))).string();
  return printer_.channels().open_output_file(name_, channel);
}

void StudyLog::write_picture(int channel, const char* picture, std::optional<double> value) {
  printer_.begin_picture(picture);
  printer_.print_picture_number(channel, value, kNewline);
}

void StudyLog::write_date_and_time(int channel) {
  printer_.print_text(channel, date_text(wallClock_.now()), kNone);
  printer_.print_text(channel, " - ", kNone);
  printer_.print_text(channel, time_text(wallClock_.now()), kNone);
}

void StudyLog::write_quarter_record(const ExperimentState& state, Leaning leaning) {
  const int channel = state.logFileNumber;
  printer_.print_text(channel, ">>>>>", kNone);
  write_date_and_time(channel);
  switch (leaning) {
    case Leaning::zero:
      printer_.print_text(channel, " checkpoint 15 min 0 > 1 : ", kNone);
      write_counts(printer_, channel, state.quarterZeros, state.quarterOnes, leaning);
      write_picture(channel, "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ",
                    state.quarterZeroDevSum);
      write_picture(channel, "     Desvio medio global hacia el UNO en %: ##.## ", global_one_average(state));
      write_picture(channel, "     Desvio medio global hacia el CERO en %: ##.## ", global_zero_average(state));
      break;
    case Leaning::one:
      printer_.print_text(channel, " checkpoint 15 min 1 > 0 : ", kNone);
      write_counts(printer_, channel, state.quarterZeros, state.quarterOnes, leaning);
      write_picture(channel, "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %: ##.## ",
                    state.quarterOneDevSum);
      write_picture(channel, "     Desvio medio global hacia el UNO en %: ##.##", global_one_average(state));
      write_picture(channel, "     Desvio medio global hacia el CERO en %: ##.##", global_zero_average(state));
      break;
    case Leaning::balance:
      printer_.print_text(channel, " checkpoint 15min 0 = 1 : ", kNone);
      write_counts(printer_, channel, state.quarterZeros, state.quarterOnes, leaning);
      printer_.print_text(channel, "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min",
                          kNewline);
      write_picture(channel, "     Desvio medio global hacia el UNO en %: ##.##", global_one_average(state));
      write_picture(channel, "     Desvio medio global hacia el CERO en %: ##.##", global_zero_average(state));
      break;
  }
  printer_.channels().commit_record(channel);
}

void StudyLog::write_five_minute_record(const ExperimentState& state, Leaning leaning) {
  const int channel = state.logFileNumber;
  write_date_and_time(channel);
  switch (leaning) {
    case Leaning::zero:
      printer_.print_text(channel, " checkpoint 5 min. 0 > 1 : ", kNone);
      write_counts(printer_, channel, state.fiveMinZeros, state.fiveMinOnes, leaning);
      write_picture(channel, "                  Desvio medio al CERO en \xFAltimos 5 min en %: ##.## ",
                    state.fiveMinZeroDevSum);
      break;
    case Leaning::one:
      printer_.print_text(channel, " checkpoint 5 min. 1 > 0 : ", kNone);
      write_counts(printer_, channel, state.fiveMinZeros, state.fiveMinOnes, leaning);
      write_picture(channel, "                  Desvio medio al UNO en \xFAltimos 5 min en %: ##.## ",
                    state.fiveMinOneDevSum);
      break;
    case Leaning::balance:
      printer_.print_text(channel, " checkpoint 5min. 0 = 1 : ", kNone);
      write_counts(printer_, channel, state.fiveMinZeros, state.fiveMinOnes, leaning);
      printer_.print_text(
          channel, "                          0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min",
          kNewline);
      break;
  }
  printer_.channels().commit_record(channel);
}

void StudyLog::write_cycle_record(const ExperimentState& state) {
  const int channel = state.logFileNumber;
  printer_.print_text(channel, date_text(wallClock_.now()), kNone);
  printer_.print_text(channel, "ciclos de 12 horas completados: ", kNone);
  printer_.print_int(channel, state.cyclesCompleted, kNewline);
  printer_.channels().commit_record(channel);
}

}  // namespace novabit
