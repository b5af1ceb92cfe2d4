#include "simulator/cycle_pictures.h"

#include "drawing/png_picture.h"

namespace novabit {

void CyclePictures::cycle_ended(const EndedCycle& cycle) {
  if (written_)
    written_ = write_png(*screen_.frame(), prefix_ + "-cycle" + std::to_string(cycle.cyclesCompleted) + ".png");
}

}  // namespace novabit
