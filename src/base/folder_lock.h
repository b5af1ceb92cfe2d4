#pragma once
// One writer per study folder. Two runs writing in one folder would set each
// other's files aside while both go on writing into them, so a run holds an
// exclusive flock on the folder itself for as long as it lives. The kernel
// lets go of it when the process ends in any way, so a crash never leaves it
// held; and since it is the folder that is locked, not a file in it, no file
// is left behind and none can be deleted to break the lock.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit {

class FolderLock {
 public:
  // Takes the lock on `folder` (empty: the working folder). When another
  // process holds it, fails naming the folder and, where the system tells,
  // that process; nothing in the folder is touched.
  static Result<FolderLock> take(const std::filesystem::path& folder);

 private:
  explicit FolderLock(FileDescriptor descriptor) : descriptor_(std::move(descriptor)) {}

  FileDescriptor descriptor_;
};

// The process that holds a flock on the file with this device and inode, as
// "process 1234 (novabit)"; empty when /proc/locks does not say.
std::string flock_holder(dev_t device, ino_t inode);

}  // namespace novabit
