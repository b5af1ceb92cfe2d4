#pragma once
// What each input file holds, read from its head and its tail: when its run
// began, how far it reaches, and its first counts. That tells the same run
// given twice (a copy, a renamed file, a replay beside its live log, part of
// a log beside the whole) from two runs at the same time before anything is
// counted.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "report/trials_reader.h"

namespace novabit::report {

// A record's or a second's count with the moment it was written: its own
// local stamp, or the second's UTC time.
struct StampedCount {
  std::int64_t at = 0;
  std::int32_t ones = 0;
};

struct FileSurvey {
  std::string file;
  std::string path;                   // where it is read: the file, or its copy
  std::optional<std::int64_t> start;  // local time of pass 1
  std::int64_t lastPass = 0;          // about where the file ends
  std::int64_t lastStamp = 0;         // the local time it ends at
  std::vector<StampedCount> counts;   // its first five-minute records, or seconds
  TrialsHead head;                    // of a raw record
};

// A failure names the file.
Result<FileSurvey> survey_log(const std::string& path);
Result<FileSurvey> survey_trials(const std::string& path);

// Whether the file holds a record its reader accepts, within the bytes a
// reader gives a file to show one.
bool log_holds_record(const std::string& path);
bool trials_hold_record(const std::string& path);

// The same run: the same counts at the same moments wherever both files have
// one (a damaged record is merely absent), whatever the files' names; of raw
// records, the same key commitment where both give one.
bool same_run(const FileSurvey& one, const FileSurvey& other);

// Of two logs whose times overlap: whether the first records of either are
// records of the other, found anywhere in it (part of a log beside the
// whole). Reads the other as far as those records reach. A failure names
// the file.
Result<bool> one_within_other(const FileSurvey& one, const FileSurvey& other);

}  // namespace novabit::report
