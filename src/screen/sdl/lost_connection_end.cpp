#include "screen/sdl/lost_connection_end.h"

#include <unistd.h>

#include <cstdlib>

namespace novabit {
namespace {

[[noreturn]] void wait_for_the_end() {
  for (;;) {
    pause();
  }
}

}  // namespace

void LostConnectionEnd::files_closed() {
  inRun_.store(false);
  if (lost_.load()) {
    end();
  }
}

void LostConnectionEnd::connection_broken() {
  lost_.store(true);
  if (!inRun_.load()) {
    end();
  }
  wait_for_the_end();
}

void LostConnectionEnd::end() {
  // The other thread may come here too; the first one ends the process.
  if (ending_.test_and_set()) {
    wait_for_the_end();
  }
  end_("the connection to the display was lost");
  std::_Exit(1);
}

}  // namespace novabit
