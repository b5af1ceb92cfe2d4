#include "support/expected_frame.h"

#include <cstdlib>
#include <string>

#include "view/monitor_texts.h"

namespace novabit::testing {

namespace {

constexpr std::string_view kHourScale =
    "0h     1h     2h      3h     4h      5h     6h      7h     8h      9h     10h    11h     12h ";

// The tick marks as they stay visible: the graph's fill and the checkpoint
// box cover their ends on y 30 and y 202, and at a shared x the longer mark wins.
void paint_tick_marks(Picture& picture) {
  for (int x = 1; x <= 721; x += 5) {
    const int minute = x - 1;
    if (minute % 30 == 0) {
      picture.fill(x, 22, x, 29, 0xFFFFFF);
      picture.fill(x, 203, x, 208, 0xFFFFFF);
    } else if (minute % 10 == 0) {
      picture.fill(x, 26, x, 29, 0x88DD88);
      picture.fill(x, 203, x, 206, 0x8888DD);
    } else {
      picture.fill(x, 28, x, 29, 0x008800);
      picture.fill(x, 203, x, 204, 0x000088);
    }
  }
}

}  // namespace

void paint_dot(Picture& picture, int x, int y, int radius, Colour colour) {
  for (int dy = -radius; dy <= radius; ++dy) {
    const int half = radius - std::abs(dy);
    picture.fill(x - half, y + dy, x + half, y + dy, colour);
  }
}

Picture expected_frame(const RunStart& start, std::string_view currentDate) {
  Picture picture;
  picture.text(1, 1, kHourScale, 0x77FF33, 0);
  picture.text(14, 1, kHourScale, 0x3377FF, 0);

  picture.text(15, 1, "FECHA INICIO EXPERIMENTO [mm/dd/aaaa]: ", 0x33FF77, 0);
  picture.text(15, 40, start.date + " - " + start.time + "      ", 0xFFFFFF, 0);
  picture.text(15, 67, "FECHA ACTUAL: ", 0x33FF77, 0);
  picture.text(15, 81, currentDate, 0xFFFFFF, 0);

  for (int column = 1; column <= 99; ++column) {
    picture.text(16, column, " ", 0, Colour(255 - 2 * column) << 8);
    picture.text(34, column, " ", 0, Colour(2 * column + 50) << 8);
  }
  picture.text(35, 1, " * *  NOVA-BIT v0.3b 0/1 x 200 bits/seg. ", 0xFF9966, 0);
  picture.text(35, 42, "::", 0xAA3311, 0);
  picture.text(35, 44, " PROYECTO INDEPENDIENTE DE INVESTIGACION SOBRE ORV  * * ", 0xFF9966, 0);
  picture.text(36, 1, kCreditsLine, 0x66FF66, 0);

  paint_tick_marks(picture);
  picture.fill(1, 30, 721, 90, 0x00CC00);
  picture.fill(1, 91, 721, 202, 0x000044);

  picture.text(7, 2, "1                    AREA GRAFICA DE FLUCTUACIONES HACIA EL UNO                        1", 0xFF4444,
               0x000044);
  paint_dot(picture, 536, 100, 2, 0xDD8888);
  paint_dot(picture, 536, 108, 1, 0xDD4444);
  picture.text(12, 2, "0                    AREA GRAFICA DE FLUCTUACIONES HACIA EL CERO                       0", 0x4444FF,
               0x000044);
  paint_dot(picture, 536, 180, 2, 0x8888DD);
  paint_dot(picture, 536, 188, 1, 0x4444DD);

  for (int x = 1; x <= 721; x += 30) {
    picture.fill(x, 31, x, 90, 0x00AA00);
    picture.fill(x, 92, x, 202, 0x000088);
  }
  picture.fill(1, 145, 721, 145, 0x008800);
  picture.fill(1, 117, 721, 117, 0x006600);
  picture.fill(1, 173, 721, 173, 0x006600);
  return picture;
}

void paint_side_panel(Picture& picture, std::string_view cycles, std::string_view oneAverage, std::string_view zeroAverage) {
  constexpr int kColumn = 92;
  picture.text(3, kColumn, "Ciclo12h", 0x00FF00, 0);
  picture.text(4, kColumn, "Completo", 0x00FF00, 0);
  picture.text(5, kColumn, cycles, 0xFFFFFF, 0);
  picture.text(7, kColumn, "DES.GLOB", 0x00FF00, 0);
  picture.text(8, kColumn, "A 1 EN %", 0x00FF00, 0);
  picture.text(9, kColumn, oneAverage, 0xFFFFFF, 0);
  picture.text(11, kColumn, "DES.GLOB", 0x00FF00, 0);
  picture.text(12, kColumn, "A 0 EN %", 0x00FF00, 0);
  picture.text(13, kColumn, zeroAverage, 0xFFFFFF, 0);
}

}  // namespace novabit::testing
