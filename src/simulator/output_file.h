#pragma once
// A file the simulator writes its records to: its own file, or a stream it
// borrows (standard output), which it flushes but does not close. The first
// failure is kept and every later write is dropped; a reader that closed
// the pipe is told apart from a failure. One thread only.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace novabit {

class OutputFile {
 public:
  // Creates or empties `path`; on failure the reason is in failure().
  explicit OutputFile(const std::filesystem::path& path);
  OutputFile(std::FILE* borrowed, std::string name);
  ~OutputFile() { close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(std::string_view bytes);
  // Pushes the buffer out and closes an owned file; false when anything failed.
  bool close();

  bool failed() const { return !failure_.empty(); }
  // True when the reader of a pipe went away: nothing more can be delivered.
  bool reader_gone() const { return readerGone_; }
  // "NAME: reason" for the user; empty while all is well.
  const std::string& failure() const { return failure_; }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  void fail(int error);

  std::string name_;
  std::unique_ptr<std::FILE, Closer> owned_;
  std::FILE* stream_ = nullptr;
  bool readerGone_ = false;
  std::string failure_;
};

}  // namespace novabit
