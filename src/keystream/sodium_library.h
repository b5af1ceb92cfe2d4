#pragma once
// libsodium wants sodium_init() once before its first use.

namespace novabit {

// Initialises libsodium on the first call; cheap afterwards. Ends the process
// with a message if the library cannot start, which only a broken
// installation causes.
void ensure_sodium();

}  // namespace novabit
