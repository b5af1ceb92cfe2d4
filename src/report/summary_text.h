#pragma once
// The readable summary of a report, for standard output.

#include <string>
#include <vector>

#include "report/field_report.h"
#include "report/seal_verify.h"

namespace novabit::report {

std::string summary_text(const FieldReport& report, const std::vector<Verification>& verified);

// A file's notes, line by line, and the count of those not shown.
void append_notes(const std::string& file, const FileNotes& notes, std::string& text);

// "0.0312", "2.41e-07", "< 1e-4900": small p-values in scientific notation.
std::string p_text(long double p);
// The value whose natural logarithm is `logValue`, even far beyond a
// double: "3.52", "1.0e+401".
std::string e_value_text(double logValue);

}  // namespace novabit::report
