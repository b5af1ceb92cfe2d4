#pragma once
// The report's figures for programs (R, pandas, a journal's supplement):
// every figure of the summary at the precision it was computed with, the
// notes with their file and line, the program's version and the SHA-256 of
// each input. The fields are described by novabit-report.schema.json, which
// is installed beside the program.

#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "events/event_analysis.h"
#include "events/events_file.h"
#include "report/field_report.h"
#include "report/input_digest.h"
#include "report/network_report.h"
#include "report/seal_verify.h"

namespace novabit::report {

std::string field_report_json(const FieldReport& report, const std::vector<Verification>& verified,
                              const std::vector<InputDigest>& inputs);
// The pre-registered events analysed on a network's seconds.
struct EventsSummary {
  const events::EventsFile& file;
  const events::EventsResult& result;
};

std::string network_report_json(const NetworkReport& report, bool outsideWindows,
                                const std::vector<InputDigest>& inputs,
                                const std::optional<EventsSummary>& events = std::nullopt);

// Writes `text` as the whole of a new file at `path`; a failure names the
// file, and a regular file left half written is removed.
Outcome write_whole_file(const std::string& path, const std::string& text);

}  // namespace novabit::report
