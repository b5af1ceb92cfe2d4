#include "base/file_handles.h"

#include <unistd.h>

namespace novabit {

void FileDescriptor::reset(int descriptor) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = descriptor;
}

Outcome FileDescriptor::close(const std::string& what) {
  if (valid() && ::close(release()) != 0) return system_failure(what + ": close failed");
  return {};
}

Outcome close_stdio(StdioFile& file, const std::string& what) {
  if (file && std::fclose(file.release()) != 0) return system_failure(what + ": close failed");
  return {};
}

}  // namespace novabit
