#pragma once
// Creating a file afresh without destroying what was there before: the steps
// behind ChannelTable::open_output_file, kept apart from the table's logic.

#include <string>
#include <string_view>

namespace novabit::fresh_file {

// Renames an existing regular file at `path` to the first free PATH.1,
// PATH.2, ...; anything else at `path` is left alone. Returns 0 or an errno.
int move_aside(const std::string& path);

// Creates `path` for writing with permissions `mode`, failing if anything
// (even a dangling link) already exists there. Returns the descriptor, or -1
// with errno set.
int create_exclusive(const std::string& path, unsigned mode = 0644);

// Writes all of `bytes`, going on after interruptions. Returns 0 or an errno.
int write_all(int descriptor, std::string_view bytes);

// Makes the directory entry of `path` durable; best effort.
void sync_parent_directory(const std::string& path);

}  // namespace novabit::fresh_file
