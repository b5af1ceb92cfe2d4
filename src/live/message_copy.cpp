#include "live/message_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>

#include "base/fresh_file.h"

namespace novabit {

namespace {

// The local date and time that begins every line of the file.
std::string stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S ", &local));
}

}  // namespace

MessageCopy::MessageCopy(std::FILE* errors, const std::filesystem::path& folder)
    : errors_(errors), path_((folder / kMessagesFileName).string()) {
  if (isatty(fileno(errors)) != 0) return;
  copy_.reset(fopencookie(this, "w", {nullptr, write_both, nullptr, nullptr}));
  if (copy_) std::setvbuf(copy_.get(), nullptr, _IOLBF, 0);
}

ssize_t MessageCopy::write_both(void* cookie, const char* bytes, std::size_t size) {
  auto& self = *static_cast<MessageCopy*>(cookie);
  std::fwrite(bytes, 1, size, self.errors_);
  std::fflush(self.errors_);
  self.copy({bytes, size});
  // The copy is best effort: standard error has had every byte.
  return static_cast<ssize_t>(size);
}

void MessageCopy::copy(std::string_view bytes) {
  for (const char byte : bytes) {
    if (lineStart_) line_ += stamp();
    line_ += byte;
    lineStart_ = byte == '\n';
    if (!lineStart_) continue;
    if (kept_.size() + line_.size() <= kKeptMessageBytes) {
      kept_ += line_;
    } else {
      uncounted_ += 1;
    }
    line_.clear();
  }
  add_kept_lines();
}

void MessageCopy::add_kept_lines() {
  if (kept_.empty()) return;
  if (!file_.valid()) file_.reset(open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!file_.valid()) return;
  std::string text = kept_;
  if (uncounted_ > 0) {
    text +=
        stamp() + "novabit: " + std::to_string(uncounted_) + " more lines could not be kept while the file took none\n";
  }
  // Whole lines or none: a line cut short by a full disk is cut off again and tried later.
  const off_t length = lseek(file_.get(), 0, SEEK_END);
  if (!fresh_file::write_all(file_.get(), text, path_)) {
    if (length >= 0) {
      [[maybe_unused]] const int cut = ftruncate(file_.get(), length);
    }
    return;
  }
  kept_.clear();
  uncounted_ = 0;
}

}  // namespace novabit
