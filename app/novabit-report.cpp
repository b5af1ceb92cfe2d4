// novabit-report: the field's statistics of NovaBit study logs.

#include <iostream>
#include <span>

#include "base/standard_streams.h"
#include "report/report_program.h"

int main(int argc, char** argv) {
  novabit::secure_standard_streams();
  return novabit::report::run_report(std::span<const char* const>(argv, static_cast<std::size_t>(argc)), std::cout,
                                     std::cerr);
}
