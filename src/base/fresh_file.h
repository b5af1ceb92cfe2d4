#pragma once
// Creating a file afresh without destroying what was there before: the steps
// behind ChannelTable::open_output_file and the seal, kept apart from them.
// Each failure names the file.

#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit::fresh_file {

// Renames an existing regular file at `path` to the first free PATH.1,
// PATH.2, ...; anything else at `path` is left alone.
Outcome move_aside(const std::string& path);

// Creates `path` for writing with permissions `mode`, failing if anything
// (even a dangling link) already exists there.
Result<FileDescriptor> create_exclusive(const std::string& path, unsigned mode = 0644);

// Writes all of `bytes`, going on after interruptions; `what` names the file.
Outcome write_all(int descriptor, std::string_view bytes, const std::string& what);

// Whether new files can be made in the folder `path`: it exists, is a folder,
// and may be written and entered. A failure names it as `what`.
Outcome writable_folder(const std::string& path, const std::string& what);

// Makes the directory entry of `path` durable; best effort.
void sync_parent_directory(const std::string& path);

}  // namespace novabit::fresh_file
