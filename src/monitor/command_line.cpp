#include "monitor/command_line.h"

#include <algorithm>
#include <vector>

namespace novabit {

std::optional<std::variant<HelpRequested, ArgumentError>> parse_command_line(CLI::App& app,
                                                                            std::span<const char* const> arguments) {
  // CLI11 takes a vector's arguments from its back.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return HelpRequested{app.help()};
  } catch (const CLI::ParseError& error) {
    return ArgumentError{error.what()};
  }
  return std::nullopt;
}

CLI::Option* add_source_options(CLI::App& app, SourceSpec& source, bool& noTrials) {
  app.add_flag("--no-trials", noTrials, "no raw per-second record (estudio_MM-DD-YYYY.trials.csv)");
  return app
      .add_option_function<std::string>(
          "--source",
          [&source](const std::string& text) {
            Result<SourceSpec> parsed = parse_source(text);
            if (!parsed) throw CLI::ValidationError("--source", parsed.failure().message());
            source = std::move(*parsed);
          },
          "where each pass's bits come from: " + source_choices())
      ->type_name("NAME");
}

std::string sources_help() {
  std::string help = "--source NAME chooses where each pass's bits come from:\n";
  for (const SourceKind& kind : kSourceKinds) {
    const std::string name = std::string(kind.name) + (kind.name.ends_with(':') ? "PATH" : "");
    help.append("  ").append(name).append(std::string(14 - std::min<std::size_t>(name.size(), 13), ' '));
    help.append(kind.help).append("\n");
  }
  return help +
         "A device's bytes are read most significant bit first. The hidden window is placed by the keyed\n"
         "generator with every source. Health tests (NIST SP 800-90B: repetition count, adaptive proportion)\n"
         "watch the source's bits; an alarm is reported and recorded, the run goes on. A physical source that\n"
         "ends, fails or delivers nothing for 10 seconds ends the run with status 1.";
}

}  // namespace novabit
