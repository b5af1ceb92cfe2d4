#pragma once
// The programs' version, the project's version in CMake.

namespace novabit {

const char* program_version();  // "1.0.0"

}  // namespace novabit
