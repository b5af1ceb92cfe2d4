#include "base/fresh_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace novabit::fresh_file {

void CreatedFile::withdraw() const {
  if (path.empty()) return;
  std::remove(path.c_str());
  if (!movedAside.empty()) std::rename(movedAside.c_str(), path.c_str());
  sync_parent_directory(path);
}

Result<std::string> move_aside(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) return std::string();
    return system_failure(path);
  }
  if (!S_ISREG(status.st_mode)) return std::string();
  // Never replaces a name that appears meanwhile: a taken name moves on to the next.
  for (unsigned long suffix = 1;; ++suffix) {
    const std::string aside = path + "." + std::to_string(suffix);
    if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
    if (errno == EINVAL && lstat(aside.c_str(), &status) != 0 && errno == ENOENT) {
      // A file system without the no-replace rename: check, then rename.
      if (std::rename(path.c_str(), aside.c_str()) == 0) return aside;
      return system_failure(path);
    }
    if (errno != EEXIST && errno != EINVAL) return system_failure(path);
  }
}

Result<FileDescriptor> create_exclusive(const std::string& path, unsigned mode) {
  int descriptor = -1;
  do {
    descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return system_failure(path);
  return FileDescriptor(descriptor);
}

Result<FileDescriptor> create_afresh(const std::string& path, unsigned mode, CreatedFile& created) {
  Result<std::string> moved = move_aside(path);
  if (!moved) return moved.failure();
  Result<FileDescriptor> descriptor = create_exclusive(path, mode);
  if (!descriptor) {
    if (!moved->empty()) std::rename(moved->c_str(), path.c_str());
    return descriptor.failure();
  }
  created = CreatedFile{path, *moved};
  return descriptor;
}

Outcome write_all(int descriptor, std::string_view bytes, const std::string& what) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return system_failure(what + ": write failed");
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

Outcome writable_folder(const std::string& path, const std::string& what) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return system_failure(what);
  if (!S_ISDIR(status.st_mode)) return Failure{what, ENOTDIR};
  if (access(path.c_str(), W_OK | X_OK) != 0) return system_failure(what);
  return {};
}

void sync_parent_directory(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const FileDescriptor folder(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.valid()) fsync(folder.get());
}

}  // namespace novabit::fresh_file
