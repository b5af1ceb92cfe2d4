#include "experiment/pass_marks.h"

namespace novabit {

std::string HealthAlarms::names() const {
  std::string text;
  for (const HealthTest test : kHealthTests) {
    if (fired(test)) text.append(text.empty() ? "" : " ").append(health_test_name(test));
  }
  return text;
}

}  // namespace novabit
