#include "live/message_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>

#include "base/fresh_file.h"

namespace novabit {

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
  if (!file_.valid()) file_.reset(open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!file_.valid()) return;
  std::string text;
  for (const char byte : bytes) {
    if (lineStart_) {
      const std::time_t now = std::time(nullptr);
      std::tm local{};
      localtime_r(&now, &local);
      char stamp[32];
      text.append(stamp, std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local));
    }
    text += byte;
    lineStart_ = byte == '\n';
  }
  static_cast<void>(fresh_file::write_all(file_.get(), text, path_));
}

}  // namespace novabit
