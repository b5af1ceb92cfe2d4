#include "report/run_log.h"

#include <algorithm>

namespace novabit::report {

Result<std::unique_ptr<RunLog>> RunLog::open(const PlannedFile& log, FileNotes& notes, const PassClock* clock) {
  auto ignored = std::make_unique<FileNotes>();
  std::vector<Member> members;
  for (std::size_t i = 0; i <= log.copies.size(); ++i) {
    const std::string& path = i == 0 ? log.path : log.copies[i - 1].path;
    // The same file given twice holds nothing more.
    if (std::any_of(members.begin(), members.end(), [&](const Member& m) { return m.path == path; })) continue;
    Result<std::unique_ptr<LogStream>> stream = LogStream::open(path, log.start, i == 0 ? notes : *ignored, clock);
    if (!stream) return stream.failure();
    members.push_back({i == 0 ? log.file : log.copies[i - 1].file, path, std::move(*stream), std::nullopt, i});
  }
  std::unique_ptr<RunLog> run(new RunLog(std::move(members), notes, std::move(ignored)));
  for (Member& member : run->members_) {
    if (Outcome read = run->advance(member); !read) return read.failure();
  }
  return run;
}

Outcome RunLog::advance(Member& member) {
  Next<Checkpoint> next = member.stream->next();
  if (!next) return next.failure();
  member.next = *next;
  return {};
}

std::optional<RunRecord> RunLog::agreed(const std::vector<Member*>& at) {
  const auto counted = std::find_if(at.begin(), at.end(), [](const Member* m) { return m->next->counted; });
  if (counted == at.end()) return RunRecord{*at.front()->next, at.front()->index};
  const Checkpoint& first = *(*counted)->next;
  for (const Member* other : at) {
    const Checkpoint& record = *other->next;
    if (!record.counted || record.ones == first.ones) continue;
    notes_.add(at.front()->index == 0 ? at.front()->next->line : 0, false, [&] {
      return "left out: the copies of the record of pass " + std::to_string(first.pass) +
             " differ: " + (*counted)->file + ":" + std::to_string(first.line) + " has " + std::to_string(first.ones) +
             " ones, " + other->file + ":" + std::to_string(record.line) + " " + std::to_string(record.ones);
    });
    return std::nullopt;
  }
  return RunRecord{first, (*counted)->index};
}

Next<RunRecord> RunLog::next() {
  for (;;) {
    std::optional<PlaceInRun> place;
    for (const Member& member : members_) {
      if (member.next && (!place || place_of(member.next->kind, member.next->pass) < *place)) {
        place = place_of(member.next->kind, member.next->pass);
      }
    }
    if (!place) return std::nullopt;
    std::vector<Member*> at;
    for (Member& member : members_) {
      if (member.next && place_of(member.next->kind, member.next->pass) == *place) at.push_back(&member);
    }
    std::optional<RunRecord> taken = agreed(at);
    for (Member* member : at) {
      if (Outcome read = advance(*member); !read) return read.failure();
    }
    if (taken) return taken;
  }
}

}  // namespace novabit::report
