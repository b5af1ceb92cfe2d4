#include "view/text_panel.h"

#include "textio/formatting.h"

namespace novabit {

namespace {

constexpr std::int32_t kSeparatorLength = 99;

}  // namespace

void TextPanel::print_bit(std::int32_t bit) { printer_.print_int(kScreenChannel, bit, Separator::none); }

void TextPanel::print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) {
  printer_.print_int(kScreenChannel, secondsElapsed, Separator::none);
  printer_.print_text(kScreenChannel, "> hora = ", Separator::none);
  printer_.print_text(kScreenChannel, time_text(wallClock_.now()), Separator::zone);
  printer_.print_text(kScreenChannel, "fecha = ", Separator::none);
  printer_.print_text(kScreenChannel, date_text(wallClock_.now()), Separator::newline);
  printer_.print_text(kScreenChannel, " CEROS =", Separator::none);
  printer_.print_int(kScreenChannel, zeros, Separator::zone);
  printer_.print_text(kScreenChannel, "UNOS =", Separator::none);
  printer_.print_int(kScreenChannel, ones, Separator::newline);
}

void TextPanel::print_deviation_line(Leaning leaning, std::int32_t secondDeviation) {
  if (leaning == Leaning::balance) {
    printer_.print_text(kScreenChannel, " > CEROS = UNOS", Separator::newline);
    return;
  }
  printer_.print_text(
      kScreenChannel,
      leaning == Leaning::zero ? " > Desviacion hacia el CERO =" : " > Desviacion hacia el UNO =", Separator::none);
  printer_.print_int(kScreenChannel, secondDeviation, Separator::none);
  printer_.print_text(kScreenChannel, " %", Separator::newline);
}

void TextPanel::print_separator() {
  printer_.print_text(kScreenChannel, repeat_char(kSeparatorLength, "-"), Separator::none);
  // The console shows each pass whole, even when its last row has no line end.
  static_cast<void>(printer_.channels().commit_record(kScreenChannel));
}

}  // namespace novabit
