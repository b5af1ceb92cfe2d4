#include "simulator/output_file.h"

#include <cerrno>

namespace novabit {

Result<std::unique_ptr<OutputFile>> OutputFile::create(const std::filesystem::path& path) {
  StdioFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return system_failure(path.string());
  return std::unique_ptr<OutputFile>(new OutputFile(path.string(), std::move(file)));
}

OutputFile::OutputFile(std::string name, StdioFile owned)
    : name_(std::move(name)), owned_(std::move(owned)), stream_(owned_.get()) {}

OutputFile::OutputFile(std::FILE* borrowed, std::string name) : name_(std::move(name)), stream_(borrowed) {}

void OutputFile::fail(int error) {
  if (failed() || readerGone_) return;
  if (error == EPIPE) {
    readerGone_ = true;
    return;
  }
  failure_ = Failure{name_, error};
}

void OutputFile::write(std::string_view bytes) {
  if (stream_ == nullptr || failed() || readerGone_) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) fail(errno);
}

Outcome OutputFile::close() {
  if (stream_ != nullptr && !failed() && !readerGone_ && std::fflush(stream_) != 0) fail(errno);
  // fclose of an already failed stream can report success: the failure is latched above.
  if (owned_ && std::fclose(owned_.release()) != 0) fail(errno);
  stream_ = nullptr;
  if (failure_) return *failure_;
  return {};
}

}  // namespace novabit
