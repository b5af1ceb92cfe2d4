#pragma once
// The standard streams of a program left alone for weeks.

namespace novabit {

// Opens /dev/null on each of the descriptors 0 to 2 that is closed, so that no
// file or connection the program opens later takes its number and receives
// what is meant for a standard stream; and ignores SIGPIPE, so that a reader
// that went away shows as a failed write instead of ending the process.
void secure_standard_streams();

}  // namespace novabit
