// The live program's command line: no arguments run it as before; a source
// and --no-trials are taken; anything else is help or one line of error.

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "monitor/live_options.h"

namespace novabit {
namespace {

// What the arguments come to, in a word or the error's line.
std::string outcome(std::vector<const char*> arguments) {
  const LiveArguments parsed = parse_live_arguments(arguments);
  if (const auto* error = std::get_if<ArgumentError>(&parsed)) return error->message;
  if (const auto* help = std::get_if<HelpRequested>(&parsed)) {
    return help->text.find("device:PATH") != std::string::npos ? "help" : "";
  }
  const LiveOptions& options = std::get<LiveOptions>(parsed);
  return source_text(options.source) + (options.trialsRecord ? " with trials" : " without trials");
}

TEST(LiveOptionsTest, TakesTheSourceAndTheRawRecordChoiceAndRefusesTheRestInOneLine) {
  EXPECT_EQ(outcome({}), "keyed with trials");
  EXPECT_EQ(outcome({"--source", "kernel", "--no-trials"}), "kernel without trials");
  EXPECT_EQ(outcome({"--source=device:/dev/ttyACM0"}), "device:/dev/ttyACM0 with trials");
  EXPECT_EQ(outcome({"--help"}), "help");
  EXPECT_EQ(outcome({"--source", "usb"}), "--source: 'usb' is not keyed, kernel or device:PATH");
  EXPECT_EQ(outcome({"--source", "device:"}), "--source: device: needs the path of the device");
  EXPECT_EQ(outcome({"--source"}), "--source: 1 required NAME missing");
  EXPECT_EQ(outcome({"--bogus"}), "The following argument was not expected: --bogus");
}

}  // namespace
}  // namespace novabit
