#pragma once
// A failed invariant in a fuzz target: report it and abort, so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

namespace novabit::fuzz {

inline void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace novabit::fuzz
