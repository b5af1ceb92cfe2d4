#pragma once
// The SHA-256 of each input as it stands, so that a reader of the report can
// tell that the files before them are the ones it was made from.

#include <future>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "report/report_plan.h"

namespace novabit::report {

struct NamedInput {
  std::string file;  // as given
  std::string role;  // "log", "raw_record" or "seal"
  std::string path;  // where it can be read again: the file, or the copy of what could be read once
};

struct InputDigest {
  std::string file;
  std::string role;
  std::optional<std::string> sha256;  // lower-case hex; nothing for what cannot be read again (a pipe, a device)
};

// The inputs of a study report, each name once: the logs and raw records by
// run, each with the copies set aside, then the seals.
std::vector<NamedInput> planned_inputs(const ReportPlan& plan, const std::vector<std::string>& seals);

// A failure names the file that could not be read. The digests are computed
// on a thread of their own while the report reads the same files, so that
// SHA-256 (libsodium's, some 250 MB/s) costs little of the report's time;
// get() waits for them.
std::future<Result<std::vector<InputDigest>>> digest_meanwhile(std::vector<NamedInput> inputs);

}  // namespace novabit::report
