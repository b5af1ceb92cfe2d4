#pragma once
// Scratch directories and whole-file reads and writes for the tests.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace novabit::testing {

// The names in a folder, sorted.
std::vector<std::string> entries_of(const std::filesystem::path& folder);

// A fresh directory, removed with everything in it afterwards. With `enter`
// it is the working directory meanwhile, the previous one coming back after.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(bool enter = false);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // The names in it, sorted.
  std::vector<std::string> entries() const { return entries_of(path_); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// A disk that fills: a tmpfs of `bytes` mounted at `path` (created) while it
// lives. Mounting needs root; where it cannot be done, unavailable() says why.
class SmallDisk {
 public:
  SmallDisk(const std::filesystem::path& path, std::size_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  std::optional<std::string> unavailable() const;
  // Takes all but `freeBytes` of its space with a file of its own; give_back() frees it.
  void fill(std::size_t freeBytes);
  void give_back();

 private:
  std::filesystem::path path_;
  std::string failure_;
};

std::string file_bytes(const std::filesystem::path& path);
void write_bytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace novabit::testing
