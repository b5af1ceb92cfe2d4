#include "report/line_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace novabit::report {

namespace {

constexpr std::size_t kReadBytes = 1 << 16;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

LineSource::LineSource(std::string_view bytes) : name_("bytes"), memory_(bytes), end_(bytes.size()), atEnd_(true) {}

LineSource::LineSource(std::string name, FileDescriptor file)
    : name_(std::move(name)), file_(std::move(file)), buffer_(kReadBytes + kMaxLineBytes, '\0') {}

Result<LineSource> LineSource::open(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat status {};
  if (!file.valid() || fstat(file.get(), &status) != 0) return system_failure(path);
  if (S_ISDIR(status.st_mode)) return Failure{path, EISDIR};
  return LineSource(path, std::move(file));
}

bool LineSource::fill() {
  if (atEnd_) return false;
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  for (;;) {
    const ssize_t got = ::read(file_.get(), buffer_.data() + end_, buffer_.size() - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      read_ += static_cast<std::uint64_t>(got);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failure_ = system_failure(name_);
    atEnd_ = true;
    return false;
  }
}

bool LineSource::give_up() {
  // Bytes in memory are a file's head or tail, already bounded.
  abandoned_ = abandoned_ || (file_.valid() && !recordFound_ && read_ - (end_ - begin_) > kRecordlessBytes);
  return abandoned_;
}

bool LineSource::skip_rest_of_line() {
  for (;;) {
    const void* lineEnd = std::memchr(data() + begin_, '\n', end_ - begin_);
    if (lineEnd != nullptr) {
      begin_ = static_cast<std::size_t>(static_cast<const char*>(lineEnd) - data()) + 1;
      skipping_ = false;
      return true;
    }
    begin_ = end_;
    if (give_up() || !fill()) return false;
  }
}

Next<SourceLine> LineSource::next() {
  if (skipping_ && !skip_rest_of_line()) {
    if (failure_) return *failure_;
    return std::nullopt;
  }
  for (;;) {
    if (give_up()) return std::nullopt;
    const char* start = data() + begin_;
    const std::uint64_t offset = position();
    const auto* lineEnd = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    const std::size_t length = lineEnd != nullptr ? static_cast<std::size_t>(lineEnd - start) : end_ - begin_;
    SourceLine line;
    if (lineEnd == nullptr && length <= kMaxLineBytes && fill()) continue;
    if (failure_) return *failure_;
    if (lineEnd == nullptr && length == 0) return std::nullopt;
    line.overlong = length > kMaxLineBytes;
    line.torn = lineEnd == nullptr && !line.overlong;
    line.offset = offset;
    line.text = std::string_view(start, line.overlong ? kMaxLineBytes : length);
    if (line.overlong) {
      skipping_ = true;
      begin_ += kMaxLineBytes;
    } else {
      begin_ += length + (lineEnd != nullptr ? 1 : 0);
    }
    if (lineEnd != nullptr && !line.overlong && line.text.ends_with('\r')) line.text.remove_suffix(1);
    if (std::exchange(firstLine_, false) && line.text.starts_with(kByteOrderMark)) {
      line.text.remove_prefix(kByteOrderMark.size());
    }
    line.number = ++number_;
    return line;
  }
}

Result<std::uint64_t> LineSource::size() const {
  if (!file_.valid()) return memory_.size();
  struct stat status {};
  if (fstat(file_.get(), &status) != 0) return system_failure(name_);
  return static_cast<std::uint64_t>(status.st_size);
}

Result<std::string> LineSource::read_at(std::uint64_t offset, std::size_t count) const {
  if (!file_.valid()) return std::string(offset < memory_.size() ? memory_.substr(offset, count) : "");
  std::string bytes(count, '\0');
  std::size_t got = 0;
  while (got < count) {
    const ssize_t read = ::pread(file_.get(), bytes.data() + got, count - got, static_cast<off_t>(offset + got));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return system_failure(name_);
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  bytes.resize(got);
  return bytes;
}

void LineSource::seek(std::uint64_t offset) {
  if (file_.valid()) {
    if (::lseek(file_.get(), static_cast<off_t>(offset), SEEK_SET) < 0) failure_ = system_failure(name_);
    begin_ = end_ = 0;
    read_ = offset;
    atEnd_ = failure_.has_value();
  } else {
    begin_ = std::min<std::size_t>(offset, end_);
  }
  firstLine_ = skipping_ = false;
  recordFound_ = true;
  number_ = 0;
  seekedTo_ = offset;
  linesBefore_.reset();
}

std::size_t LineSource::in_file(std::size_t number) {
  if (!linesBefore_) {
    linesBefore_ = 0;
    constexpr std::size_t kBlock = 1 << 20;
    for (std::uint64_t at = 0; at < seekedTo_; at += kBlock) {
      const Result<std::string> block = read_at(at, std::min<std::uint64_t>(kBlock, seekedTo_ - at));
      if (!block) {
        failure_ = block.failure();
        atEnd_ = true;
        break;
      }
      *linesBefore_ += static_cast<std::size_t>(std::count(block->begin(), block->end(), '\n'));
    }
  }
  return *linesBefore_ + number;
}

}  // namespace novabit::report
