#pragma once
// printf into a std::string as long as the text needs: the report's lines
// hold file names of any length.

#include <string>

namespace novabit::report {

std::string printf_text(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

}  // namespace novabit::report
