#pragma once
// The live screen opened on the memory back end, as the benchmarks of the
// screen's drawing and text use it.

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace novabit {

struct OpenScreen {
  OpenScreen() { static_cast<void>(screen.set_screen_mode(19, 16, 4, 1, 0)); }
  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen{channels, endSteps, {backEnd}, GraphScreenOptions{false, "bench"}};
};

}  // namespace novabit
