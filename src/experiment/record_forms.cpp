#include "experiment/record_forms.h"

#include <array>

namespace novabit {

namespace {

constexpr RecordLine kGlobalOneWithBlank{"     Desvio medio global hacia el UNO en %: ##.## ",
                                         LineValue::global_one_average};
constexpr RecordLine kGlobalZeroWithBlank{"     Desvio medio global hacia el CERO en %: ##.## ",
                                          LineValue::global_zero_average};
constexpr RecordLine kGlobalOne{"     Desvio medio global hacia el UNO en %: ##.##", LineValue::global_one_average};
constexpr RecordLine kGlobalZero{"     Desvio medio global hacia el CERO en %: ##.##", LineValue::global_zero_average};

constexpr std::array kQuarterZeroLines{
    RecordLine{"     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ", LineValue::period_average},
    kGlobalOneWithBlank, kGlobalZeroWithBlank};
constexpr std::array kQuarterOneLines{
    RecordLine{"     1 -> Desvio medio al UNO en \xFAltimos 15 min en %: ##.## ", LineValue::period_average},
    kGlobalOne, kGlobalZero};
constexpr std::array kQuarterBalanceLines{
    RecordLine{"     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min", LineValue::none}, kGlobalOne,
    kGlobalZero};
constexpr std::array kFiveMinuteZeroLines{
    RecordLine{"                  Desvio medio al CERO en \xFAltimos 5 min en %: ##.## ", LineValue::period_average}};
constexpr std::array kFiveMinuteOneLines{
    RecordLine{"                  Desvio medio al UNO en \xFAltimos 5 min en %: ##.## ", LineValue::period_average}};
constexpr std::array kFiveMinuteBalanceLines{RecordLine{
    "                          0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min", LineValue::none}};

constexpr std::string_view kQuarterMark = ">>>>>";

// In the order of Period, then of Leaning.
constexpr std::array<RecordForm, 6> kForms{{
    {RecordKind::five_minute, Leaning::zero, "", " checkpoint 5 min. 0 > 1 : ", kFiveMinuteZeroLines},
    {RecordKind::five_minute, Leaning::one, "", " checkpoint 5 min. 1 > 0 : ", kFiveMinuteOneLines},
    {RecordKind::five_minute, Leaning::balance, "", " checkpoint 5min. 0 = 1 : ", kFiveMinuteBalanceLines},
    {RecordKind::quarter, Leaning::zero, kQuarterMark, " checkpoint 15 min 0 > 1 : ", kQuarterZeroLines},
    {RecordKind::quarter, Leaning::one, kQuarterMark, " checkpoint 15 min 1 > 0 : ", kQuarterOneLines},
    {RecordKind::quarter, Leaning::balance, kQuarterMark, " checkpoint 15min 0 = 1 : ", kQuarterBalanceLines},
}};

}  // namespace

std::span<const RecordForm> checkpoint_forms() { return kForms; }

const RecordForm& checkpoint_form(Period period, Leaning leaning) {
  return kForms[3 * static_cast<std::size_t>(period) + static_cast<std::size_t>(leaning)];
}

}  // namespace novabit
