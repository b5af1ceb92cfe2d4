#include "keystream/sodium_library.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>

namespace novabit {

void ensure_sodium() {
  static const bool ready = [] {
    if (sodium_init() < 0) {
      std::fputs("novabit: libsodium cannot start\n", stderr);
      std::abort();
    }
    return true;
  }();
  (void)ready;
}

}  // namespace novabit
