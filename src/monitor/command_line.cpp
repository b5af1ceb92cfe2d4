#include "monitor/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "monitor/program_version.h"
#include "textio/fresh_file.h"

namespace novabit {

namespace {

constexpr std::size_t kMaxStationName = 100;

// Control characters as \xNN, so that a message stays one line.
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

std::string in_quotes(std::string_view value) { return "'" + escaped(value) + "'"; }

void set_help(CLI::App& app, HelpTexts texts) {
  app.name(texts.program);
  app.formatter(help_format(std::move(texts)));
  // Unknown arguments are ours to name.
  app.allow_extras();
  // --help comes back at the end of the list, with --version.
  app.set_help_flag();
}

std::optional<std::variant<HelpRequested, ArgumentError>> parse_command_line(CLI::App& app,
                                                                             std::span<const char* const> arguments) {
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
    return HelpRequested{app.help()};
  } catch (const CLI::CallForVersion& version) {
    return HelpRequested{std::string(version.what()) + "\n"};
  } catch (const CLI::ParseError& error) {
    return ArgumentError{in_our_words(app, error)};
  }
  const std::vector<std::string> extra = app.remaining();
  if (extra.empty()) return std::nullopt;
  const std::string& first = extra.front();
  if (first.starts_with("-") && first != "-")
    return ArgumentError{escaped(first.substr(0, first.find('='))) + ": no such option"};
  return ArgumentError{in_quotes(first) + ": unexpected argument"};
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

void add_station_options(CLI::App& app, StationOptions& options) {
  app.add_option_function<std::string>(
         "--station",
         [&options](const std::string& text) {
           // One line of the raw record's head and one label value.
           const bool printable = std::none_of(text.begin(), text.end(), [](char c) {
             return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
           if (text.empty() || text.size() > kMaxStationName || !printable) {
             throw CLI::ValidationError("--station", in_quotes(text) + " is not a name of 1 to " +
                                                         std::to_string(kMaxStationName) +
                                                         " characters without control characters");
           }
           options.station = text;
         },
         "names this station in the raw record and the metrics (default: the host name)")
      ->type_name("NAME")
      ->group("Station");
  app.add_option_function<std::string>(
         "--metrics",
         [&options](const std::string& text) {
           Result<ListenAddress> parsed = parse_listen_address(text);
           if (!parsed) throw CLI::ValidationError("--metrics", in_quotes(text) + ": " + escaped(parsed.failure().message()));
           options.metrics = *parsed;
         },
         "serves the live metrics for Prometheus at http://ADDR:PORT/metrics (ADDR default: 127.0.0.1)")
      ->type_name("[ADDR:]PORT")
      ->group("Station");
  app.add_option("--metrics-web-config", options.metricsWebConfig,
                 "serves the metrics over HTTPS or with passwords, as this web configuration file of Prometheus's "
                 "exporters says (tls_server_config, basic_auth_users)")
      ->type_name("FILE")
      ->group("Station");
  app.parse_complete_callback([&options] {
    if (!options.metricsWebConfig.empty() && !options.metrics) {
      throw CLI::ValidationError("--metrics-web-config", "serves nothing without --metrics");
    }
  });
}

CLI::Option* add_no_trials_flag(CLI::App& app, bool& noTrials) {
  return app.add_flag("--no-trials", noTrials, "no raw per-second record (estudio_MM-DD-YYYY.trials.csv)");
}

CLI::Option* add_source_option(CLI::App& app, SourceSpec& source) {
  return app
      .add_option_function<std::string>(
          "--source",
          [&source](const std::string& text) {
            Result<SourceSpec> parsed = parse_source(text);
            if (!parsed) throw CLI::ValidationError("--source", escaped(parsed.failure().message()));
            source = std::move(*parsed);
          },
          "where each pass's bits come from: " + source_choices() + " (below)")
      ->type_name("NAME");
}

Outcome writable_output_folder(const std::string& option, const std::filesystem::path& folder) {
  if (folder.empty()) {
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    return fresh_file::writable_folder(".", "cannot write in the working folder '" + working.string() + "'");
  }
  return fresh_file::writable_folder(folder.string(), option + " " + in_quotes(folder.string()));
}

std::string sources_help() {
  std::string help = "Sources, for --source NAME:\n";
  for (const SourceKind& kind : kSourceKinds) {
    const std::string name = std::string(kind.name) + (kind.name.ends_with(':') ? "PATH" : "");
    help.append("  ").append(name).append(std::string(14 - std::min<std::size_t>(name.size(), 13), ' '));
    help.append(kind.help).append("\n");
  }
  return help +
         "A device's bytes are read most significant bit first. The hidden window is placed by the keyed generator "
         "with every source. Health tests (NIST SP 800-90B: repetition count, adaptive proportion) watch the "
         "source's bits; an alarm is reported and recorded, the run goes on. A physical source that ends, fails or "
         "delivers nothing for 10 seconds ends the run with status 1.";
}

}  // namespace novabit
