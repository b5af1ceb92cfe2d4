#include "program/help_format.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace novabit {

namespace {

constexpr std::size_t kHelpWidth = 100;
constexpr std::size_t kWidestNameColumn = 26;

// `line` broken at blanks into lines of at most kHelpWidth columns; the first
// starts after `first`, the others after `indent` blanks.
std::string wrapped(std::string_view line, const std::string& first, std::size_t indent) {
  std::string text = first;
  std::size_t column = first.size();
  bool lineEmpty = true;
  while (!line.empty()) {
    const std::size_t blank = line.find(' ');
    const std::string_view word = line.substr(0, blank);
    line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
    if (word.empty()) continue;
    if (!lineEmpty && column + 1 + word.size() > kHelpWidth) {
      text.append("\n").append(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) text += ' ', ++column;
    text.append(word);
    column += word.size();
    lineEmpty = false;
  }
  return text + "\n";
}

// Each line of `text` wider than kHelpWidth wrapped, continued under its own
// indentation; narrower lines keep their spacing.
std::string wrapped_lines(const std::string& text) {
  std::string result;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (line.size() <= kHelpWidth) {
      result.append(line).append("\n");
      continue;
    }
    const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
    result += wrapped(line.substr(indent), std::string(indent, ' '), indent);
  }
  return result;
}

std::string option_label(const CLI::Option& option) {
  if (option.get_positional()) return option.get_name() + "...";
  std::string label;
  for (const auto& name : option.get_snames()) label.append("-").append(name).append(", ");
  for (const auto& name : option.get_lnames()) label.append("--").append(name).append(", ");
  label.resize(label.size() - 2);
  if (option.get_expected_max() != 0) label.append(" ").append(option.get_type_name());
  return label;
}

class HelpFormat final : public CLI::FormatterBase {
 public:
  explicit HelpFormat(HelpTexts texts) : texts_(std::move(texts)) {}

  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
    std::string help = wrapped_lines(texts_.program + ": " + texts_.summary) + "\n" + texts_.usage + "\n";
    const std::vector<const CLI::Option*> options = app->get_options();
    std::size_t column = 0;
    for (const CLI::Option* option : options) column = std::max(column, option_label(*option).size() + 4);
    column = std::min(column, kWidestNameColumn);
    for (const std::string& group : app->get_groups()) {
      help.append(group).append(":\n");
      for (const CLI::Option* option : options) {
        if (option->get_group() != group) continue;
        std::string label = "  " + option_label(*option);
        if (label.size() + 2 > column) {
          // Too long for the column: the description starts on the next line.
          help.append(label).append("\n");
          label.clear();
        }
        label.resize(column, ' ');
        help += wrapped(option->get_description(), label, column);
      }
      help += "\n";
    }
    return help + wrapped_lines(texts_.footer);
  }

 private:
  HelpTexts texts_;
};

}  // namespace

std::shared_ptr<CLI::FormatterBase> help_format(HelpTexts texts) {
  return std::make_shared<HelpFormat>(std::move(texts));
}

}  // namespace novabit
