#include "textio/channels.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "textio/file_handles.h"
#include "textio/fresh_file.h"

namespace novabit {

struct ChannelTable::FileChannel {
  std::string name;
  // The stream's buffer; declared first, so that it outlives the stream.
  std::array<char, kChannelBufferSize> buffer{};
  StdioFile stream;
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
  line.lineColumn = static_cast<std::int32_t>(
      std::min<std::int64_t>(column, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

ChannelTable::ChannelTable(std::FILE* console, std::FILE* errors)
    : console_(console), errors_(errors) {}

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

Outcome ChannelTable::open_output_file(std::string_view name, int channel) {
  const std::string path(name);
  if (!is_file_channel(channel) || files_[channel]) {
    return Failure{path + ": no free file channel", 0};
  }
  if (path.find('\0') != std::string::npos) return Failure{path, EINVAL};
  if (Outcome moved = fresh_file::move_aside(path); !moved) return moved;
  Result<FileDescriptor> created = fresh_file::create_exclusive(path);
  if (!created) return created.failure();
  auto file = std::make_unique<FileChannel>();
  file->stream.reset(fdopen(created->get(), "wb"));
  if (!file->stream) return system_failure(path);
  created->release();
  std::setvbuf(file->stream.get(), file->buffer.data(), _IOFBF, file->buffer.size());
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
  } else if (!is_file_channel(channel) || !files_[channel]) {
    return refused(channel);
  } else if (!bytes.empty()) {
    FileChannel& file = *files_[channel];
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream.get()) != bytes.size()) {
      return report_loss(file, "write");
    }
  }
  advance_column(lines_[channel], bytes);
  return {};
}

Outcome ChannelTable::commit_record(int channel) {
  if (channel == 0) {
    if (screen_ == nullptr && console_ != nullptr) {
      std::fflush(console_);
    }
    return {};
  }
  return push_out(channel, true, durable_);
}

Outcome ChannelTable::flush_line(int channel) { return push_out(channel, durable_, false); }

Outcome ChannelTable::push_out(int channel, bool flush, bool sync) {
  if (!is_file_channel(channel) || !files_[channel]) {
    return refused(channel);
  }
  FileChannel& file = *files_[channel];
  if (flush && std::fflush(file.stream.get()) != 0) {
    return report_loss(file, "flush");
  }
  if (sync && fsync(fileno(file.stream.get())) != 0) {
    return report_loss(file, "sync");
  }
  return {};
}

void ChannelTable::close_all_channels() {
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    if (!files_[channel]) {
      continue;
    }
    static_cast<void>(commit_record(channel));
    FileChannel& file = *files_[channel];
    if (std::fclose(file.stream.release()) != 0) {
      report_loss(file, "close");
    }
  }
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
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

Failure ChannelTable::report_loss(const FileChannel& file, const char* what) {
  const Failure failure = system_failure(file.name + ": " + what + " failed");
  if (!recordsLost_ && errors_ != nullptr) {
    std::fprintf(errors_, "%s\n", failure.message().c_str());
    std::fflush(errors_);
  }
  recordsLost_ = true;
  return failure;
}

}  // namespace novabit
