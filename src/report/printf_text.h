#pragma once
// printf into a std::string as long as the text needs: the report's lines
// hold file names of any length.

#include <cstdint>
#include <string>

namespace novabit::report {

std::string printf_text(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// "1 record", "3 records".
std::string plural(std::int64_t count, const char* word);

}  // namespace novabit::report
