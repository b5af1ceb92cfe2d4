#include "report/line_notes.h"

namespace novabit::report {

bool LineSplitter::next(std::string_view& line, bool& torn) {
  if (at_ >= text_.size()) {
    return false;
  }
  const std::size_t end = text_.find('\n', at_);
  torn = end == std::string_view::npos;
  line = text_.substr(at_, (torn ? text_.size() : end) - at_);
  at_ = torn ? text_.size() : end + 1;
  if (!torn && !line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  ++number_;
  return true;
}

}  // namespace novabit::report
