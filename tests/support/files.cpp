#include "support/files.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace novabit::testing {

ScratchDirectory::ScratchDirectory(bool enter) {
  std::string pattern = (std::filesystem::temp_directory_path() / "novabit-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
  if (enter) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  if (!previous_.empty()) std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> entries_of(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

SmallDisk::SmallDisk(const std::filesystem::path& path, std::size_t bytes) : path_(std::filesystem::absolute(path)) {
  std::filesystem::create_directory(path_);
  const std::string options = "size=" + std::to_string(bytes);
  if (mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    failure_ = "a tmpfs cannot be mounted here: " + std::string(std::strerror(errno));
  }
}

SmallDisk::~SmallDisk() {
  if (failure_.empty()) umount2(path_.c_str(), MNT_DETACH);
}

std::optional<std::string> SmallDisk::unavailable() const {
  if (failure_.empty()) return std::nullopt;
  return failure_;
}

void SmallDisk::fill(std::size_t freeBytes) {
  const int filler = open((path_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const std::string block(4096, '\0');
  off_t size = 0;
  while (write(filler, block.data(), block.size()) == static_cast<ssize_t>(block.size())) size += 4096;
  if (ftruncate(filler, std::max<off_t>(0, size - static_cast<off_t>(freeBytes))) != 0) std::abort();
  close(filler);
}

void SmallDisk::give_back() { std::filesystem::remove(path_ / "filler"); }

std::string file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const std::filesystem::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace novabit::testing
