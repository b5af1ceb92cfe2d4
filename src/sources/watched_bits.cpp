#include "sources/watched_bits.h"

namespace novabit {

TakeResult WatchedBits::take(PassBytes& bits) {
  const TakeResult result = source_.take(bits);
  if (result != TakeResult::taken) return result;
  ++passes_;
  alarms_ = tests_.check(bits);
  if (alarms_.repetitionCount) report("repetition_count", *alarms_.repetitionCount);
  if (alarms_.adaptiveProportion) report("adaptive_proportion", *alarms_.adaptiveProportion);
  return result;
}

void WatchedBits::report(const char* test, std::uint64_t bit) const {
  if (errors_ == nullptr) return;
  std::fprintf(errors_, "%s: the source %s failed the %s health test at bit %llu (pass %lld); the run goes on\n",
               program_.c_str(), sourceName_.c_str(), test, static_cast<unsigned long long>(bit),
               static_cast<long long>(passes_));
  std::fflush(errors_);
}

}  // namespace novabit
