#pragma once
// The monitor's messages kept beside its study log. Started from the desktop's
// menu or at login, its standard error goes to the journal, where a researcher
// seldom looks: unless standard error is a terminal, every message line also
// goes, after the local date and time, to novabit-messages.txt in the study
// log's folder, which is created at the first message and appended to by
// every run.

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/file_handles.h"

namespace novabit {

inline constexpr const char* kMessagesFileName = "novabit-messages.txt";

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

  std::FILE* errors_;
  std::string path_;
  FileDescriptor file_;  // opened at the first message
  bool lineStart_ = true;
  StdioFile copy_;  // flushed into file_, so closed before it
};

}  // namespace novabit
