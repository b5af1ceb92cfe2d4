#include "textio/channels.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "textio/fresh_file.h"

namespace novabit {

struct ChannelTable::FileChannel {
  FileChannel() = default;
  FileChannel(const FileChannel&) = delete;
  FileChannel& operator=(const FileChannel&) = delete;
  ~FileChannel() {
    if (stream != nullptr) {
      std::fclose(stream);
    }
  }

  std::string name;
  std::FILE* stream = nullptr;
  // The stream's buffer; it must outlive the stream, which the destructor ensures.
  std::array<char, kChannelBufferSize> buffer{};
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

ResultCode ChannelTable::open_output_file(std::string_view name, int channel) {
  if (!is_file_channel(channel) || files_[channel]) {
    return fail(ResultCode::illegal_call);
  }
  const std::string path(name);
  int error = path.find('\0') == std::string::npos ? fresh_file::move_aside(path) : EINVAL;
  int descriptor = -1;
  if (error == 0) {
    descriptor = fresh_file::create_exclusive(path);
    error = descriptor < 0 ? errno : 0;
  }
  auto file = std::make_unique<FileChannel>();
  if (error == 0) {
    file->stream = fdopen(descriptor, "wb");
    if (file->stream == nullptr) {
      error = errno;
      close(descriptor);
    }
  }
  if (error != 0) {
    openFailure_ = path + ": " + std::strerror(error);
    return fail(ResultCode::open_refused);
  }
  std::setvbuf(file->stream, file->buffer.data(), _IOFBF, file->buffer.size());
  if (durable_) {
    fresh_file::sync_parent_directory(path);
  }
  file->name = path;
  files_[channel] = std::move(file);
  lines_[channel] = LineState{};
  return lastError_ = ResultCode::ok;
}

ResultCode ChannelTable::write(int channel, std::string_view bytes) {
  if (channel == 0) {
    if (screen_ != nullptr) {
      screen_->write_screen_text(bytes);
    } else if (console_ != nullptr && !bytes.empty() &&
               std::fwrite(bytes.data(), 1, bytes.size(), console_) != bytes.size()) {
      return fail(ResultCode::short_write);
    }
  } else if (!is_file_channel(channel) || !files_[channel]) {
    return fail(ResultCode::illegal_call);
  } else if (!bytes.empty()) {
    FileChannel& file = *files_[channel];
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream) != bytes.size()) {
      report_loss(file, "write", errno);
      return fail(ResultCode::short_write);
    }
  }
  advance_column(lines_[channel], bytes);
  return lastError_ = ResultCode::ok;
}

ResultCode ChannelTable::commit_record(int channel) {
  if (channel == 0) {
    if (screen_ == nullptr && console_ != nullptr) {
      std::fflush(console_);
    }
    return lastError_ = ResultCode::ok;
  }
  return push_out(channel, true, durable_);
}

ResultCode ChannelTable::flush_line(int channel) { return push_out(channel, durable_, false); }

ResultCode ChannelTable::push_out(int channel, bool flush, bool sync) {
  if (!is_file_channel(channel) || !files_[channel]) {
    return fail(ResultCode::illegal_call);
  }
  FileChannel& file = *files_[channel];
  if (flush && std::fflush(file.stream) != 0) {
    report_loss(file, "flush", errno);
    return fail(ResultCode::short_write);
  }
  if (sync && fsync(fileno(file.stream)) != 0) {
    report_loss(file, "sync", errno);
    return fail(ResultCode::short_write);
  }
  return lastError_ = ResultCode::ok;
}

void ChannelTable::close_all_channels() {
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    if (!files_[channel]) {
      continue;
    }
    commit_record(channel);
    FileChannel& file = *files_[channel];
    std::FILE* stream = std::exchange(file.stream, nullptr);
    if (std::fclose(stream) != 0) {
      report_loss(file, "close", errno);
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

ResultCode ChannelTable::fail(ResultCode code) { return lastError_ = code; }

void ChannelTable::report_loss(const FileChannel& file, const char* what, int error) {
  if (!recordsLost_ && errors_ != nullptr) {
    std::fprintf(errors_, "%s: %s failed: %s\n", file.name.c_str(), what, std::strerror(error));
    std::fflush(errors_);
  }
  recordsLost_ = true;
}

}  // namespace novabit
