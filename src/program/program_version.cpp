#include "program/program_version.h"

namespace novabit {

const char* program_version() { return NOVABIT_VERSION; }

}  // namespace novabit
