#pragma once
// A time zone for the local-time conversions of one test: TZ is set for the
// object's life and the previous setting comes back afterwards.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace novabit::testing {

class LocalZone {
 public:
  explicit LocalZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) previous_ = previous;
    set(zone);
  }
  ~LocalZone() { set(previous_ ? previous_->c_str() : nullptr); }
  LocalZone(const LocalZone&) = delete;
  LocalZone& operator=(const LocalZone&) = delete;

 private:
  static void set(const char* zone) {
    if (zone != nullptr) {
      setenv("TZ", zone, 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::optional<std::string> previous_;
};

}  // namespace novabit::testing
