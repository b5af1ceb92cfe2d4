// The live program's command line: no arguments run it as before; a source
// and --no-trials are taken; anything else is help or one line of error.

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "monitor/live_options.h"

namespace novabit {
namespace {

LiveArguments parse(std::vector<const char*> arguments) { return parse_live_arguments(arguments); }

TEST(LiveOptionsTest, TakesTheSourceAndTheRawRecordChoice) {
  const struct {
    std::vector<const char*> arguments;
    SourceSpec source;
    bool trialsRecord;
  } cases[] = {
      {{}, {}, true},
      {{"--source", "kernel", "--no-trials"}, {SourceSpec::Kind::kernel, {}}, false},
      {{"--source=device:/dev/ttyACM0"}, {SourceSpec::Kind::device, "/dev/ttyACM0"}, true},
  };
  for (const auto& [arguments, source, trialsRecord] : cases) {
    const LiveArguments parsed = parse(arguments);
    ASSERT_TRUE(std::holds_alternative<LiveOptions>(parsed));
    EXPECT_EQ(std::get<LiveOptions>(parsed).source, source);
    EXPECT_EQ(std::get<LiveOptions>(parsed).trialsRecord, trialsRecord);
  }
}

TEST(LiveOptionsTest, RefusesWhatItDoesNotKnowInOneLine) {
  const struct {
    std::vector<const char*> arguments;
    const char* error;
  } cases[] = {
      {{"--source", "usb"}, "--source: 'usb' is not keyed, kernel or device:PATH"},
      {{"--source", "device:"}, "--source: device: needs the path of the device"},
      {{"--source"}, "--source: 1 required NAME missing"},
      {{"--bogus"}, "The following argument was not expected: --bogus"},
  };
  for (const auto& [arguments, error] : cases) {
    const LiveArguments parsed = parse(arguments);
    ASSERT_TRUE(std::holds_alternative<ArgumentError>(parsed)) << error;
    EXPECT_EQ(std::get<ArgumentError>(parsed).message, error);
  }
  const LiveArguments help = parse({"--help"});
  ASSERT_TRUE(std::holds_alternative<HelpRequested>(help));
  EXPECT_NE(std::get<HelpRequested>(help).text.find("device:PATH"), std::string::npos);
}

}  // namespace
}  // namespace novabit
