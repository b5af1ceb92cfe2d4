#pragma once
// Creating a file afresh without destroying what was there before: the steps
// behind ChannelTable::open_output_file and the seal, kept apart from them.
// Each failure names the file.

#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit::fresh_file {

// A file created afresh and the earlier file of its name, moved aside for it.
struct CreatedFile {
  std::string path;
  std::string movedAside;  // empty: there was none

  // For a start refused after the file was made: removes it and gives the
  // earlier file its name back, so that the folder is as it was. Best effort.
  void withdraw() const;
};

// Renames an existing regular file at `path` to the first free PATH.1,
// PATH.2, ... and returns that name; anything else at `path` is left alone
// (and the name is empty).
Result<std::string> move_aside(const std::string& path);

// Creates `path` for writing with permissions `mode`, failing if anything
// (even a dangling link) already exists there.
Result<FileDescriptor> create_exclusive(const std::string& path, unsigned mode = 0644);

// Moves an earlier file of that name aside, then creates `path` as
// create_exclusive does and tells in `created` what it did. When the file
// cannot be created, the earlier one gets its name back.
Result<FileDescriptor> create_afresh(const std::string& path, unsigned mode, CreatedFile& created);

// Writes all of `bytes`, going on after interruptions; `what` names the file.
Outcome write_all(int descriptor, std::string_view bytes, const std::string& what);

// Whether new files can be made in the folder `path`: it exists, is a folder,
// and may be written and entered. A failure names it as `what`.
Outcome writable_folder(const std::string& path, const std::string& what);

// Makes the directory entry of `path` durable; best effort.
void sync_parent_directory(const std::string& path);

}  // namespace novabit::fresh_file
