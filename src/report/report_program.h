#pragma once
// novabit-report from its command line to its exit status.

#include <ostream>
#include <span>

namespace novabit::report {

// `arguments` with the program name first.
int run_report(std::span<const char* const> arguments, std::ostream& out, std::ostream& err);

}  // namespace novabit::report
