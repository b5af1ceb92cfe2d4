#include "support/log_model.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <regex>

#include "keystream/keyed_generator.h"

namespace novabit::testing {

namespace {

const std::string kLineEnd = "\r\n";

int rounded_mean(int sum, int count) {
  if (count == 0) return 0;
  int quotient = sum / count;
  const int twiceRemainder = 2 * (sum % count);
  if (twiceRemainder > count || (twiceRemainder == count && quotient % 2 != 0)) ++quotient;
  return quotient;
}

std::string percent(std::optional<double> value) {
  if (!value) return "--.--";
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", *value);
  std::string cut(text, std::string(text).find('.') + 3);
  return std::string(cut.size() < 5 ? 5 - cut.size() : 0, ' ') + cut;
}

std::string zone_to_next(std::string line) {
  do line += ' ';
  while (line.size() % 14 != 0);
  return line;
}

std::string two_digits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string date_of(const LocalTime& t) { return two_digits(t.month) + "-" + two_digits(t.day) + "-" + std::to_string(t.year); }

std::string counts_line(const std::string& heading, int zeros, int ones) {
  const int first = ones > zeros ? ones : zeros;
  const int other = ones > zeros ? zeros : ones;
  return zone_to_next(heading + " " + std::to_string(first)) + " " + std::to_string(other) + kLineEnd;
}

const char* heading(int zeros, int ones, const char* zerosAhead, const char* onesAhead, const char* balanced) {
  return zeros > ones ? zerosAhead : ones > zeros ? onesAhead : balanced;
}

}  // namespace

void LogModel::add_pass(const PassCounts& counts) {
  const std::int64_t pass = ++passes_;
  const LocalTime now = timeOfPass_(pass);
  const std::string stamp =
      date_of(now) + " - " + two_digits(now.hour) + ":" + two_digits(now.minute) + ":" + two_digits(now.second);
  for (Period* period : {&five_, &quarter_}) {
    period->zeros += counts.zeros;
    period->ones += counts.ones;
    if (counts.zeros > counts.ones) period->zeroSum += counts.zeros - 100, period->zeroSeconds += 1;
    if (counts.ones > counts.zeros) period->oneSum += counts.ones - 100, period->oneSeconds += 1;
  }
  if (pass % 900 == 0) write_quarter(stamp);
  if (pass % 300 == 0) write_five_minutes(stamp);
  if (minute_ == 720) {
    minute_ = second_ = 0;
    log_ += date_of(now) + "ciclos de 12 horas completados:  " + std::to_string(++cycles_) + kLineEnd;
  } else if (++second_ == 60) {
    second_ = 0;
    ++minute_;
  }
}

void LogModel::write_quarter(const std::string& stamp) {
  const Period& q = quarter_;
  const int zeroMean = rounded_mean(q.zeroSum, q.zeroSeconds);
  const int oneMean = rounded_mean(q.oneSum, q.oneSeconds);
  zeroTotal_ += zeroMean;
  oneTotal_ += oneMean;
  zeroWins_ += q.zeros > q.ones;
  oneWins_ += q.ones > q.zeros;
  const std::string trailing = q.zeros > q.ones ? " " : "";
  log_ += counts_line(
      ">>>>>" + stamp +
          heading(q.zeros, q.ones, " checkpoint 15 min 0 > 1 : ", " checkpoint 15 min 1 > 0 : ", " checkpoint 15min 0 = 1 : "),
      q.zeros, q.ones);
  if (q.zeros > q.ones) {
    log_ += "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: " + percent(zeroMean) + " " + kLineEnd;
  } else if (q.ones > q.zeros) {
    log_ += "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %: " + percent(oneMean) + " " + kLineEnd;
  } else {
    log_ += "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min" + kLineEnd;
  }
  const auto global = [](double total, int wins) { return wins ? std::optional(total / wins) : std::nullopt; };
  log_ += "     Desvio medio global hacia el UNO en %: " + percent(global(oneTotal_, oneWins_)) + trailing + kLineEnd;
  log_ += "     Desvio medio global hacia el CERO en %: " + percent(global(zeroTotal_, zeroWins_)) + trailing + kLineEnd;
  quarter_ = Period{};
}

void LogModel::write_five_minutes(const std::string& stamp) {
  const Period& f = five_;
  log_ += counts_line(stamp + heading(f.zeros, f.ones,
                                      " checkpoint 5 min. 0 > 1 : ", " checkpoint 5 min. 1 > 0 : ", " checkpoint 5min. 0 = 1 : "),
                      f.zeros, f.ones);
  const std::string indent(18, ' ');
  if (f.zeros > f.ones) {
    log_ += indent + "Desvio medio al CERO en \xFAltimos 5 min en %: " + percent(rounded_mean(f.zeroSum, f.zeroSeconds)) + " " +
            kLineEnd;
  } else if (f.ones > f.zeros) {
    log_ += indent + "Desvio medio al UNO en \xFAltimos 5 min en %: " + percent(rounded_mean(f.oneSum, f.oneSeconds)) + " " +
            kLineEnd;
  } else {
    log_ += std::string(26, ' ') + "0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min" + kLineEnd;
  }
  five_ = Period{};
}

std::vector<PassCounts> model_passes(const RandomKey& key, std::int64_t count, bool biasEnabled) {
  BitSource bits;
  bits.seed_random(key);
  int windowStart = bits.random_below(580) + 60;
  int forcedBit = bits.random_below(2);
  int minute = 0, second = 0;
  std::vector<PassCounts> passes;
  for (std::int64_t pass = 1; pass <= count; ++pass) {
    const bool forced = bits.random_below(10) == 9 && biasEnabled && minute > windowStart && minute < windowStart + 100;
    PassCounts counts;
    for (int i = 0; i < 200; ++i) {
      const int drawn = bits.random_below(2);
      ((forced ? forcedBit : drawn) == 0 ? counts.zeros : counts.ones) += 1;
    }
    passes.push_back(counts);
    if (minute == 720) {
      forcedBit = bits.random_below(2);
      windowStart = bits.random_below(600) + 10;
      minute = second = 0;
    } else if (++second == 60) {
      second = 0;
      ++minute;
    }
  }
  return passes;
}

std::string model_log(const std::vector<PassCounts>& passes, std::chrono::sys_seconds firstPassTime) {
  LogModel model([&](std::int64_t pass) { return local_time_of(firstPassTime + std::chrono::seconds(pass - 1)); });
  for (const PassCounts& counts : passes) model.add_pass(counts);
  return model.log();
}

::testing::AssertionResult same_log(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  std::size_t line = 1;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) line += actual[at++] == '\n';
  const auto line_at = [&](const std::string& log) {
    const std::size_t begin = at == 0 ? 0 : log.rfind('\n', at - 1) + 1;
    return log.substr(begin, log.find('\r', begin) - begin);
  };
  return ::testing::AssertionFailure() << "the logs (" << actual.size() << " and " << expected.size() << " bytes) differ in line "
                                       << line << ":\n  " << line_at(actual) << "\n  " << line_at(expected);
}

::testing::AssertionResult whole_records_of(const std::string& log, const std::string& model) {
  static const std::regex stamp(R"(\d\d-\d\d-\d{4}( - \d\d:\d\d:\d\d)?)");
  const std::string shown = std::regex_replace(log, stamp, "D");
  const std::string modelled = std::regex_replace(model, stamp, "D");
  if (!modelled.starts_with(shown)) return same_log(shown, modelled.substr(0, shown.size()));
  // A record begins with its date or ">>>>>"; its other lines with blanks.
  if (shown.size() < modelled.size() && modelled[shown.size()] == ' ') {
    return ::testing::AssertionFailure() << "the log ends inside a record: " << shown.substr(shown.rfind('\n') + 1);
  }
  return ::testing::AssertionSuccess();
}

namespace {

// A record begins with its date or ">>>>>"; its other lines with blanks.
std::vector<std::string> records(const std::string& log) {
  std::vector<std::string> found;
  for (std::size_t at = 0; at < log.size();) {
    const std::size_t end = log.find('\n', at);
    const std::string line = log.substr(at, end == std::string::npos ? end : end + 1 - at);
    if (found.empty() || !line.starts_with(' ')) found.emplace_back();
    found.back() += line;
    at = end == std::string::npos ? log.size() : end + 1;
  }
  return found;
}

}  // namespace

::testing::AssertionResult records_in_order(const std::string& log, const std::string& model, std::int64_t& lost) {
  const std::vector<std::string> expected = records(model);
  auto next = expected.begin();
  for (const std::string& record : records(log)) {
    next = std::find(next, expected.end(), record);
    if (next == expected.end()) return ::testing::AssertionFailure() << "not a whole record in order: " << record;
    ++next;
  }
  lost = static_cast<std::int64_t>(expected.size() - records(log).size());
  return ::testing::AssertionSuccess();
}

}  // namespace novabit::testing
