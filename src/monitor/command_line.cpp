#include "monitor/command_line.h"

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
            ParsedSource parsed = parse_source(text);
            if (!parsed.source) throw CLI::ValidationError("--source", parsed.problem);
            source = *parsed.source;
          },
          "where each pass's 200 bits come from: keyed (default), kernel or device:PATH")
      ->type_name("NAME");
}

}  // namespace novabit
