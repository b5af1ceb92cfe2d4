#include "base/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace novabit {

Result<FolderLock> FolderLock::take(const std::filesystem::path& folder) {
  std::error_code error;
  std::string shown = std::filesystem::absolute(folder.empty() ? "." : folder, error).lexically_normal().string();
  if (shown.size() > 1 && shown.ends_with('/')) shown.pop_back();
  FileDescriptor descriptor(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!descriptor.valid()) return system_failure("the folder " + shown);
  int locked = -1;
  do {
    locked = flock(descriptor.get(), LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked == 0) return FolderLock(std::move(descriptor));
  if (errno != EWOULDBLOCK) return system_failure("the folder " + shown + " cannot be locked");
  struct stat status {};
  fstat(descriptor.get(), &status);
  const std::string holder = flock_holder(status.st_dev, status.st_ino);
  return Failure{"the folder " + shown + " is held by " + (holder.empty() ? "another process" : holder) +
                     ", which writes a run there: one run at a time writes in a folder",
                 0};
}

std::string flock_holder(dev_t device, ino_t inode) {
  // Lines such as "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF", the
  // device's numbers in hexadecimal.
  std::ostringstream key;
  key << std::hex << std::setfill('0') << std::setw(2) << major(device) << ':' << std::setw(2) << minor(device) << ':'
      << std::dec << inode;
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, advisory, mode, pid, file;
    if (!(fields >> number >> kind) || kind != "FLOCK" || !(fields >> advisory >> mode >> pid >> file) ||
        file != key.str()) {
      continue;
    }
    std::string name;
    std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
    return "process " + pid + (name.empty() ? "" : " (" + name + ")");
  }
  return {};
}

}  // namespace novabit
