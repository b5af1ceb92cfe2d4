#pragma once
// One run's records from every file that holds them (the file read and its
// copies: a rotated file, a copy gathered elsewhere, part of the log), merged
// by place: each record counted once, a record damaged in one file taken
// from another, and a record whose counts differ between two files noted as
// a conflict with both places and left out. Only the file read is noted for
// its damage; its copies only fill its gaps.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/log_stream.h"
#include "report/report_plan.h"

namespace novabit::report {

// A record and the file it was taken from: 0 the file read, i its copy i - 1.
struct RunRecord {
  Checkpoint record;
  std::size_t file = 0;
};

class RunLog {
 public:
  // `clock`, the run's raw record, when given places its records. A failure names the file.
  static Result<std::unique_ptr<RunLog>> open(const PlannedFile& log, FileNotes& notes,
                                              const PassClock* clock = nullptr);

  Next<RunRecord> next();
  std::optional<std::int64_t> start() const { return members_.front().stream->start(); }
  std::string placed_by() const { return members_.front().stream->placed_by(); }
  std::int64_t quarters_checked() const { return members_.front().stream->quarters_checked(); }

 private:
  struct Member {
    std::string file;  // its name, for the notes
    std::string path;  // where it is read
    std::unique_ptr<LogStream> stream;
    std::optional<Checkpoint> next;
    std::size_t index = 0;
  };
  RunLog(std::vector<Member> members, FileNotes& notes, std::unique_ptr<FileNotes> ignored)
      : members_(std::move(members)), notes_(notes), ignored_(std::move(ignored)) {}
  Outcome advance(Member& member);
  // The record the members at `place` agree on; nothing on a conflict.
  std::optional<RunRecord> agreed(const std::vector<Member*>& at);

  std::vector<Member> members_;
  FileNotes& notes_;
  std::unique_ptr<FileNotes> ignored_;  // what the copies' readers find
};

}  // namespace novabit::report
