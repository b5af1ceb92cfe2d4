#include "textio/channels.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "base/file_handles.h"
#include "base/fresh_file.h"

namespace novabit {

struct ChannelTable::FileChannel {
  std::string name;
  fresh_file::CreatedFile created;
  // Written first, and again into a file made anew.
  std::string head;
  // The whole records the file holds after its head.
  std::int64_t records = 0;
  // Another program took the file and it could not be made again yet.
  bool gone = false;
  FileDescriptor descriptor;
  // The whole records not yet written, then the record under way.
  std::string buffer;
  std::vector<std::size_t> recordEnds;  // in `buffer`
  // The file's length at the end of its last whole record, and at its last sync.
  off_t length = 0;
  off_t syncedLength = 0;
  std::int64_t unsyncedRecords = 0;
  // A cut back to `length` failed: nothing is written until it succeeds.
  bool tornTail = false;

  void end_record() {
    if (buffer.size() > (recordEnds.empty() ? 0 : recordEnds.back())) recordEnds.push_back(buffer.size());
  }
};

namespace {

bool is_file_channel(int channel) { return channel >= 1 && channel <= kMaxFileChannel; }

void advance_column(LineState& line, std::string_view bytes) {
  std::size_t afterLastEnd = bytes.size();
  while (afterLastEnd > 0 && bytes[afterLastEnd - 1] != '\r' && bytes[afterLastEnd - 1] != '\n') {
    --afterLastEnd;
  }
  const auto tail = static_cast<std::int64_t>(bytes.size() - afterLastEnd);
  std::int64_t column = afterLastEnd == 0 ? std::int64_t{line.lineColumn} + tail : tail;
  if (line.lineWidth != 0) {
    column %= line.lineWidth;
  }
  // A file line longer than 2^31 bytes keeps its column at the largest value.
  line.lineColumn = static_cast<std::int32_t>(std::min<std::int64_t>(column, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

ChannelTable::ChannelTable(std::FILE* console, RecordLosses* losses) : console_(console), losses_(losses) {}

ChannelTable::~ChannelTable() { close_all_channels(); }

int ChannelTable::first_free_channel() const {
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    if (!files_[channel]) {
      return channel;
    }
  }
  return 0;
}

Failure ChannelTable::refused(int channel) {
  return {"file channel " + std::to_string(channel) + " is not free or not open", EBADF};
}

Outcome ChannelTable::open_output_file(std::string_view name, int channel, std::string_view head) {
  const std::string path(name);
  if (!is_file_channel(channel) || files_[channel]) {
    return Failure{path + ": no free file channel", 0};
  }
  if (path.find('\0') != std::string::npos) return Failure{path, EINVAL};
  auto file = std::make_unique<FileChannel>();
  Result<FileDescriptor> created = fresh_file::create_afresh(path, 0644, file->created);
  if (!created) return created.failure();
  file->descriptor = std::move(*created);
  const int descriptor = file->descriptor.get();
  Outcome written = fresh_file::write_all(descriptor, head, path);
  if (written && !head.empty() && durable_ && fsync(descriptor) != 0) written = system_failure(path + ": sync failed");
  if (!written) {
    // Whole or not at all: a file without its head is not left behind.
    file->descriptor.reset();
    file->created.withdraw();
    return written;
  }
  file->length = file->syncedLength = static_cast<off_t>(head.size());
  file->head = head;
  if (durable_) {
    fresh_file::sync_parent_directory(path);
  }
  file->name = path;
  files_[channel] = std::move(file);
  lines_[channel] = LineState{};
  return {};
}

Outcome ChannelTable::write(int channel, std::string_view bytes) {
  if (channel == 0) {
    if (screen_ != nullptr) {
      screen_->write_screen_text(bytes);
    } else if (console_ != nullptr && !bytes.empty() &&
               std::fwrite(bytes.data(), 1, bytes.size(), console_) != bytes.size()) {
      return system_failure("the console: write failed");
    }
  } else if (FileChannel* const open = file(channel)) {
    open->buffer.append(bytes);
  } else {
    return refused(channel);
  }
  advance_column(lines_[channel], bytes);
  return {};
}

Outcome ChannelTable::end_record(int channel) {
  FileChannel* const open = file(channel);
  if (open == nullptr) return refused(channel);
  open->end_record();
  return durable_ || open->buffer.size() >= kChannelBufferSize ? write_out(*open) : Outcome{};
}

Outcome ChannelTable::commit_record(int channel) {
  if (channel == 0) {
    if (screen_ == nullptr && console_ != nullptr) {
      std::fflush(console_);
    }
    return {};
  }
  FileChannel* const open = file(channel);
  if (open == nullptr) return refused(channel);
  open->end_record();
  const Outcome written = write_out(*open);
  const Outcome synced = durable_ ? sync(*open) : Outcome{};
  return !written ? written : synced;
}

ChannelTable::FileChannel* ChannelTable::file(int channel) {
  return is_file_channel(channel) ? files_[channel].get() : nullptr;
}

Outcome ChannelTable::write_out(FileChannel& file) {
  if (file.recordEnds.empty()) return {};
  std::size_t written = 0;
  std::optional<Failure> failure;
  // First, as it may give the file a new descriptor.
  if (Outcome watched = watch(file); !watched) failure = watched.failure();
  const int descriptor = file.descriptor.get();
  const std::size_t whole = file.recordEnds.back();
  // Never after a torn tail: its cut is tried again first.
  if (!failure && file.tornTail) file.tornTail = ftruncate(descriptor, file.length) != 0;
  if (file.tornTail) failure = system_failure(file.name + ": cutting off a torn record failed");
  while (!failure && written < whole) {
    const ssize_t done =
        pwrite(descriptor, file.buffer.data() + written, whole - written, file.length + static_cast<off_t>(written));
    if (done > 0) {
      written += static_cast<std::size_t>(done);
    } else if (done == 0) {
      failure = Failure{file.name + ": write failed", 0};
    } else if (errno != EINTR) {
      failure = system_failure(file.name + ": write failed");
    }
  }
  // The records that reached the file whole stay; a torn one is cut off.
  const auto kept = std::upper_bound(file.recordEnds.begin(), file.recordEnds.end(), written);
  const std::size_t keptBytes = kept == file.recordEnds.begin() ? 0 : *(kept - 1);
  if (keptBytes < written && ftruncate(descriptor, file.length + static_cast<off_t>(keptBytes)) != 0) {
    file.tornTail = true;
  }
  file.length += static_cast<off_t>(keptBytes);
  file.unsyncedRecords += kept - file.recordEnds.begin();
  file.records += kept - file.recordEnds.begin();
  const std::int64_t lost = file.recordEnds.end() - kept;
  file.buffer.erase(0, whole);
  file.recordEnds.clear();
  if (failure) return lose(file, lost, *failure);
  return {};
}

Outcome ChannelTable::sync(FileChannel& file) {
  if (fsync(file.descriptor.get()) == 0) {
    file.syncedLength = file.length;
    file.unsyncedRecords = 0;
    return {};
  }
  // What the disk may not hold does not count as kept.
  Failure failure = system_failure(file.name + ": sync failed");
  file.tornTail = ftruncate(file.descriptor.get(), file.syncedLength) != 0;
  file.length = file.syncedLength;
  file.records -= file.unsyncedRecords;
  return lose(file, std::exchange(file.unsyncedRecords, 0), std::move(failure));
}

Outcome ChannelTable::watch(FileChannel& file) {
  struct stat opened {};
  struct stat named {};
  if (fstat(file.descriptor.get(), &opened) != 0) return {};
  const bool replaced =
      stat(file.name.c_str(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev;
  const bool cutShort = !replaced && opened.st_size < file.length;
  if (!replaced && !cutShort && !file.gone) return {};
  const std::string what =
      file.gone              ? std::string()
      : opened.st_nlink == 0 ? "deleted"
      : replaced             ? "renamed away or replaced"
                 : "cut short from " + std::to_string(file.length) + " to " + std::to_string(opened.st_size) + " bytes";
  const std::int64_t taken = std::exchange(file.records, 0);
  file.unsyncedRecords = 0;
  file.tornTail = false;
  Outcome made;
  if (cutShort && opened.st_size > 0) {
    // Never written past the end another program left: what it kept stays.
    file.length = file.syncedLength = opened.st_size;
  } else {
    made = make_again(file, replaced);
  }
  if (!what.empty() && losses_ != nullptr) {
    losses_->file_taken(file.name, taken,
                        file.name + ": " + what + " by another program with " + std::to_string(taken) +
                            (taken == 1 ? " record; " : " records; ") +
                            (made ? "made again" : "cannot be made again: " + made.failure().message()));
  }
  file.gone = !made;
  return made;
}

Outcome ChannelTable::make_again(FileChannel& file, bool anew) {
  if (anew) {
    fresh_file::CreatedFile created;
    Result<FileDescriptor> made = fresh_file::create_afresh(file.name, 0644, created);
    if (!made) return made.failure();
    file.descriptor = std::move(*made);
  }
  file.length = file.syncedLength = 0;
  const int descriptor = file.descriptor.get();
  Outcome written = lseek(descriptor, 0, SEEK_SET) == 0 ? fresh_file::write_all(descriptor, file.head, file.name)
                                                        : system_failure(file.name + ": write failed");
  if (written && durable_ && fsync(descriptor) != 0) written = system_failure(file.name + ": sync failed");
  if (!written) {
    file.tornTail = ftruncate(descriptor, 0) != 0;
    return written;
  }
  file.length = file.syncedLength = static_cast<off_t>(file.head.size());
  if (durable_ && anew) fresh_file::sync_parent_directory(file.name);
  return {};
}

Failure ChannelTable::lose(FileChannel& file, std::int64_t records, Failure why) {
  if (losses_ != nullptr) losses_->records_lost(file.name, records, why);
  return why;
}

void ChannelTable::close_all_channels() {
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    if (!files_[channel]) {
      continue;
    }
    static_cast<void>(commit_record(channel));
    FileChannel& file = *files_[channel];
    if (Outcome closed = file.descriptor.close(file.name); !closed) lose(file, 0, closed.failure());
  }
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    files_[channel].reset();
    lines_[channel] = LineState{};
  }
}

void ChannelTable::withdraw_all_channels() {
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    if (!files_[channel]) continue;
    files_[channel]->descriptor.reset();
    files_[channel]->created.withdraw();
    files_[channel].reset();
    lines_[channel] = LineState{};
  }
}

void ChannelTable::set_durable_writes(bool durable) { durable_ = durable; }

LineState& ChannelTable::line_state(int channel) { return lines_.at(static_cast<std::size_t>(channel)); }

void ChannelTable::attach_screen(ScreenTextSink& sink, std::int32_t lineWidth) {
  screen_ = &sink;
  lines_[0] = LineState{0, lineWidth};
}

void ChannelTable::detach_screen() {
  screen_ = nullptr;
  lines_[0].lineWidth = 0;
}

}  // namespace novabit
