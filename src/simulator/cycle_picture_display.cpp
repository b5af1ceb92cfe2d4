#include "simulator/cycle_picture_display.h"

#include "screen/png_picture.h"

namespace novabit {

void CyclePictureDisplay::redraw_cycle_display(const CyclePanel& panel, const RunStart& start) {
  if (!failure_) {
    failure_ = write_png(*screen_.frame(), prefix_ + "-cycle" + std::to_string(panel.cyclesCompleted) + ".png");
  }
  ForwardingDisplay::redraw_cycle_display(panel, start);
}

}  // namespace novabit
