#pragma once
// The study log's records, line by line: the one description that the
// writer follows and every reader checks against. A checkpoint record is its
// first line (an optional mark, the date and time, a head text and the two
// counts, the larger first) and one or three further lines; a cycle record
// is one line.

#include <cstdint>
#include <span>
#include <string_view>

#include "experiment/checkpoint_arithmetic.h"
#include "experiment/experiment_events.h"

namespace novabit {

enum class RecordKind { five_minute, quarter, cycle };

// What the "##.##" field of a further line shows; `none` for a plain text line.
enum class LineValue { none, period_average, global_one_average, global_zero_average };

struct RecordLine {
  std::string_view text;  // a "##.##" picture, or the whole text of the line
  LineValue value;
};

struct RecordForm {
  RecordKind kind;
  Leaning leaning;
  std::string_view mark;  // before the date: ">>>>>" for a quarter
  std::string_view head;  // between the time and the counts
  std::span<const RecordLine> lines;
};

// The forms of both checkpoint records, three each.
std::span<const RecordForm> checkpoint_forms();
const RecordForm& checkpoint_form(Period period, Leaning leaning);

// A cycle record: the date, this text and the count of completed cycles.
inline constexpr std::string_view kCycleRecordText = "ciclos de 12 horas completados: ";
// Between the date and the time of a checkpoint record.
inline constexpr std::string_view kDateTimeSeparator = " - ";

}  // namespace novabit
