#pragma once
// The monitor's messages kept beside its study log. Started from the desktop's
// menu or at login, its standard error goes to the journal, where a researcher
// seldom looks: unless standard error is a terminal, every message line also
// goes, after the local date and time, to novabit-messages.txt in the study
// log's folder, which is created at the first message and appended to by
// every run. Whole lines only: lines that cannot be added (a full disk) are
// kept, with the times they were said, up to kKeptMessageBytes, then only
// counted, and go to the file before the next line once it takes them.

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/file_handles.h"

namespace novabit {

inline constexpr const char* kMessagesFileName = "novabit-messages.txt";
inline constexpr std::size_t kKeptMessageBytes = 64 * 1024;

class MessageCopy {
 public:
  // `errors` is standard error; `folder` the study log's, empty for the working folder.
  MessageCopy(std::FILE* errors, const std::filesystem::path& folder);
  MessageCopy(const MessageCopy&) = delete;
  MessageCopy& operator=(const MessageCopy&) = delete;

  // Where the monitor writes its messages: `errors` itself on a terminal,
  // otherwise a line-buffered stream that writes to both.
  std::FILE* stream() const { return copy_ ? copy_.get() : errors_; }

 private:
  static ssize_t write_both(void* cookie, const char* bytes, std::size_t size);
  void copy(std::string_view bytes);
  // Adds the lines kept so far, whole, and tells how many could not be kept.
  void add_kept_lines();

  std::FILE* errors_;
  std::string path_;
  FileDescriptor file_;  // opened at the first message
  bool lineStart_ = true;
  std::string kept_;            // whole lines, stamped, not yet in the file
  std::string line_;            // the line under way, stamped
  std::int64_t uncounted_ = 0;  // lines beyond what is kept
  StdioFile copy_;              // flushed into file_, so closed before it
};

}  // namespace novabit
