// The three programs' command lines with arbitrary arguments, split at NUL
// bytes. Whatever they refuse is said in one line of our own words (around
// the arguments it quotes) that starts with what it names; whatever help they
// print fits in 100 columns. The simulator is left out when a seal is named,
// which it would read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "live/live_options.h"
#include "report/report_options.h"
#include "simulator/simulator_options.h"

namespace {

using Arguments = std::vector<std::string>;

void check_refusal(const std::string& message, const Arguments& arguments) {
  novabit::fuzz::require(!message.empty() && message.find('\n') == std::string::npos, "a refusal is one line");
  novabit::fuzz::require(message.starts_with("-") || message.starts_with("'") || message.starts_with("LOG: "),
                         "a refusal starts with the option or the argument it names");
  // The user's words taken out, as given or as a refusal shows them (up to an
  // "=", escaped), the longest first, since one may hold another.
  Arguments users;
  for (const std::string& argument : arguments) {
    for (const std::string& given : {argument, argument.substr(0, argument.find('='))}) {
      const std::string shown = novabit::in_quotes(given);
      users.insert(users.end(), {given, shown.substr(1, shown.size() - 2)});
    }
  }
  std::sort(users.begin(), users.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
  std::string words = message;
  for (const std::string& argument : users) {
    for (std::size_t at; !argument.empty() && (at = words.find(argument)) != std::string::npos;)
      words.erase(at, argument.size());
  }
  for (const char* stock :
       {"cannot read the arguments", "not expected", "Expected", "required", "Excludes", "convert", "not in range"}) {
    novabit::fuzz::require(words.find(stock) == std::string::npos, "a refusal is in the programs' own words");
  }
}

void check_help(const std::string& text) {
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    novabit::fuzz::require(end - start <= 100, "the help fits in 100 columns");
  }
}

template <typename Options>
void check(const novabit::CommandLine<Options>& parsed, const Arguments& arguments) {
  const auto* end = std::get_if<novabit::CommandLineEnd>(&parsed);
  if (end && end->status == 2) check_refusal(end->text, arguments);
  if (end && end->status == 0) check_help(end->text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Arguments arguments{"novabit-report"};
  bool namesASeal = false;
  for (std::size_t start = 0; !input.empty() && start <= input.size();) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    arguments.emplace_back(input.substr(start, end - start));
    namesASeal = namesASeal || arguments.back().starts_with("--seal");
    start = end + 1;
  }
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  const std::span<const char* const> withoutName = std::span<const char* const>(pointers).subspan(1);

  check(novabit::parse_live_arguments(withoutName), arguments);
  if (!namesASeal) check(novabit::parse_arguments(withoutName, std::time_t{1796508600}), arguments);
  check(novabit::report::parse_report_options(pointers), arguments);
  return 0;
}
