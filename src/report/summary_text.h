#pragma once
// The readable summary of a report, for standard output.

#include <string>

#include "report/field_report.h"

namespace novabit::report {

std::string summary_text(const FieldReport& report);

// "0.0312", "2.41e-07", "< 1e-4900": small p-values in scientific notation.
std::string p_text(long double p);
// The value whose natural logarithm is `logValue`, even far beyond a double.
std::string e_value_text(double logValue);

}  // namespace novabit::report
