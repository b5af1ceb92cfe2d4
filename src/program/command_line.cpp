#include "program/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/fresh_file.h"
#include "program/program_version.h"

namespace novabit {

namespace {

// The option an error of CLI11's names: its message begins with the name,
// with or without its dashes.
const CLI::Option* named_option(const CLI::App& app, const std::string& message) {
  const std::string name = message.substr(0, message.find_first_of(": "));
  if (name.empty()) return nullptr;
  return name.starts_with("-") ? app.get_option_no_throw(name) : app.get_option_no_throw("--" + name);
}

// CLI11's errors in our words. Values are checked by our own callbacks, whose
// messages pass through; what CLI11 itself finds is a missing value, a value
// given to a flag, or an option given twice.
std::string in_our_words(const CLI::App& app, const CLI::ParseError& error) {
  const std::string message = error.what();
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) return message;
  const CLI::Option* option = named_option(app, message);
  if (option == nullptr) return "cannot read the arguments: " + message;
  const std::string name = option->get_name();
  if (option->get_expected_max() == 0) return name + ": takes no value";
  if (option->count() > 1) return name + ": given more than once";
  return name + ": needs a " + option->get_type_name() + " after it";
}

std::string number_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::string escaped(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      shown += c;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
      shown += escape;
    }
  }
  return shown;
}

std::string in_quotes(std::string_view value) { return "'" + escaped(value) + "'"; }

void set_help(CLI::App& app, HelpTexts texts) {
  app.name(texts.program);
  app.formatter(help_format(std::move(texts)));
  // Unknown arguments are ours to name.
  app.allow_extras();
  // --help comes back at the end of the list, with --version.
  app.set_help_flag();
}

int CommandLineEnd::tell(std::string_view program, std::string_view usage, std::FILE* output, std::FILE* errors) const {
  if (status == 0) {
    std::fputs(text.c_str(), output);
  } else {
    std::fputs(error_text(program, usage).c_str(), errors);
  }
  return status;
}

std::string CommandLineEnd::error_text(std::string_view program, std::string_view usage) const {
  if (status == 0) return "";
  return std::string(program) + ": " + text + "\n" + (status == 2 ? std::string(usage) : "");
}

std::optional<CommandLineEnd> parse_command_line(CLI::App& app, std::span<const char* const> arguments) {
  // Added last, so that they close the list of options.
  app.set_help_flag("-h,--help", "prints this help and exits")->group("General");
  app.set_version_flag("--version", app.get_name() + " " + program_version(), "prints the version and exits")
      ->group("General");
  // A flag is on when given; "--flag=value" is refused rather than read.
  for (CLI::Option* option : app.get_options()) {
    if (option->get_expected_max() == 0) option->disable_flag_override();
  }
  // CLI11 takes a vector's arguments from its back.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return CommandLineEnd::help(app.help());
  } catch (const CLI::CallForVersion& version) {
    return CommandLineEnd::help(std::string(version.what()) + "\n");
  } catch (const CLI::ParseError& error) {
    return CommandLineEnd::refusal(in_our_words(app, error));
  }
  const std::vector<std::string> extra = app.remaining();
  if (extra.empty()) return std::nullopt;
  const std::string& first = extra.front();
  if (first.starts_with("-") && first != "-")
    return CommandLineEnd::refusal(escaped(first.substr(0, first.find('='))) + ": no such option");
  return CommandLineEnd::refusal(in_quotes(first) + ": unexpected argument");
}

CLI::Option* add_whole_number(CLI::App& app, const std::string& name, std::int64_t& target, std::int64_t least,
                              std::int64_t most, const std::string& description) {
  return app
      .add_option_function<std::string>(
          name,
          [&target, name, least, most](const std::string& text) {
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc() || end != text.data() + text.size() || value < least || value > most) {
              const bool anyNumber =
                  least == std::numeric_limits<std::int64_t>::min() && most == std::numeric_limits<std::int64_t>::max();
              throw CLI::ValidationError(
                  name,
                  in_quotes(text) + " is not a whole number" +
                      (anyNumber ? std::string() : " from " + std::to_string(least) + " to " + std::to_string(most)));
            }
            target = value;
          },
          description)
      ->type_name("N");
}

CLI::Option* add_number(CLI::App& app, const std::string& name, double& target, double above, double below,
                        const std::string& description) {
  return app.add_option_function<std::string>(
      name,
      [&target, name, above, below](const std::string& text) {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(value) || !(value > above && value < below)) {
          throw CLI::ValidationError(
              name, in_quotes(text) + " is not a number " +
                        (std::isinf(below) ? "above " + number_text(above)
                                           : "between " + number_text(above) + " and " + number_text(below)));
        }
        target = value;
      },
      description);
}

Outcome writable_output_folder(const std::string& option, const std::filesystem::path& folder) {
  if (folder.empty()) {
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    return fresh_file::writable_folder(".", "cannot write in the working folder '" + working.string() + "'");
  }
  return fresh_file::writable_folder(folder.string(), option + " " + in_quotes(folder.string()));
}

}  // namespace novabit
