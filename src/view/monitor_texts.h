#pragma once
// The texts of the monitor that are ours to choose: the window title's rights
// notice and the credits row under the title row.

#include <string_view>

namespace novabit {

// 101 characters: the fixed Spanish title followed by a 24-character rights notice.
inline constexpr std::string_view kWindowTitle =
    "NOVABIT - Generador aleatorio 0/1 x 200 bits/sg. InvestigaciOn independiente (c) 2026 NovaBit project";

// 99 characters, pure ASCII, shown on row 36 of the screen.
inline constexpr std::string_view kCreditsLine =
    " NovaBit - monitor de bits aleatorios - proyecto independiente de investigacion de codigo abierto  ";

}  // namespace novabit
