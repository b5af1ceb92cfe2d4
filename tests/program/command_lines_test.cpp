// The three programs' command lines, as a user meets them: --version, a
// help in one style, and one table of bad arguments (status 2: one line
// naming the option and the value, then the usage) and of folders and files
// that cannot be read or written (status 1: one line naming them), each
// refused before anything is written.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "program/program_version.h"
#include "support/live_monitor.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;

const std::string kMonitor = NOVABIT_EXECUTABLE;
const std::string kSimulator = NOVABIT_SIM_EXECUTABLE;
const std::string kReport = NOVABIT_REPORT_EXECUTABLE;

std::string name_of(const std::string& program) { return std::filesystem::path(program).filename(); }

// The programs without a display: a refusal comes before the screen opens.
Launch launch_of(const std::string& program, const std::vector<std::string>& arguments) {
  return {program, arguments, {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}}};
}

TEST(CommandLines, EachProgramTellsItsVersionAndItsHelpInOneStyle) {
  const ScratchDirectory directory;
  for (const std::string& program : {kMonitor, kSimulator, kReport}) {
    const std::string name = name_of(program);
    SCOPED_TRACE(name);
    LiveMonitor version(directory.path(), launch_of(program, {"--version"}));
    EXPECT_EQ(version.wait_for_exit(20s), 0);
    EXPECT_EQ(version.output(), name + " " + program_version() + "\n");
    LiveMonitor asked(directory.path(), launch_of(program, {"--help"}));
    EXPECT_EQ(asked.wait_for_exit(20s), 0);
    const std::string help = asked.output();
    EXPECT_TRUE(help.starts_with(name + ": ")) << help;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 100U) << line;
    for (const char* stock : {"REQUIRED", "Excludes", "Needs:", ":INT", "[OPTIONS]", "Positionals", "TEXT"}) {
      EXPECT_EQ(help.find(stock), std::string::npos) << stock;
    }
    // Every option of the usage is explained under a group.
    const std::size_t end = help.find("\n\n", help.find("usage: "));
    const std::string usage = help.substr(0, end);
    const std::string listed = help.substr(end);
    const std::regex option("--[a-z-]+");
    for (auto found = std::sregex_iterator(usage.begin(), usage.end(), option); found != std::sregex_iterator(); ++found) {
      EXPECT_TRUE(std::regex_search(listed, std::regex("\n  (-h, )?" + found->str() + "[ \n]"))) << found->str();
    }
  }
  EXPECT_TRUE(directory.entries().empty());
}

struct Refusal {
  std::string program;
  std::vector<std::string> arguments;
  int status;
  std::string message;    // "{dir}" stands for the working folder
  bool asNobody = false;  // the folders belong to root, who may write anywhere
};

const Refusal kRefusals[] = {
    {kMonitor, {"--bogus"}, 2, "--bogus: no such option"},
    {kMonitor, {"stray"}, 2, "'stray': unexpected argument"},
    {kMonitor, {"--source", "usb"}, 2, "--source: 'usb' is not keyed, kernel or device:PATH"},
    {kMonitor, {"--dir"}, 2, "--dir: needs a DIR after it"},
    {kMonitor, {"--dir", "sub", "--dir", "sub"}, 2, "--dir: given more than once"},
    {kMonitor, {"--no-trials=yes"}, 2, "--no-trials: takes no value"},
    {kMonitor, {"--pace", "nap"}, 2, "--pace: 'nap' is not poll or sleep"},
    {kMonitor, {"--metrics", "99999"}, 2, "--metrics: '99999': the port must be a number from 1 to 65535"},
    {kSimulator, {"--metrics-web-config", "plain"}, 2, "--metrics-web-config: serves nothing without --metrics"},
    {kSimulator,
     {"--no-screen", "--metrics", "9", "--metrics-web-config", "plain"},
     1,
     "cannot serve the metrics: plain: line 2: illegal map value"},
    {kSimulator,
     {"--station", "a\nb"},
     2,
     "--station: 'a\\x0Ab' is not a name of 1 to 100 characters without control characters"},
    {kMonitor, {"--dir", "plain"}, 1, "--dir 'plain': Not a directory"},
    {kMonitor, {"--seal-dir", "missing"}, 1, "--seal-dir 'missing': No such file or directory"},
    {kMonitor, {"--dir", "/tmp", "--seal-dir", "sub"}, 1, "--seal-dir 'sub': Permission denied", true},
    {kMonitor, {}, 1, "cannot write in the working folder '{dir}': Permission denied", true},
    {kSimulator, {"--passes", "abc"}, 2, "--passes: 'abc' is not a whole number from 0 to 2147483646"},
    {kSimulator, {"--passes", "2147483647"}, 2, "--passes: '2147483647' is not a whole number from 0 to 2147483646"},
    {kSimulator, {"--seed", "5", "--seal", "x.seal"}, 2, "--seed and --seal: give only one"},
    {kSimulator, {"--start", "yesterday"}, 2, "--start: 'yesterday' is not a local time \"YYYY-MM-DD HH:MM:SS\""},
    {kSimulator, {"--reveal-bias"}, 2, "--reveal-bias: needs --trace"},
    {kSimulator, {"--dir", ""}, 2, "--dir: '' names no file"},
    {kSimulator, {"--no-screen", "--png", "a.png"}, 2, "--png: needs the screen; leave out --no-screen"},
    {kSimulator, {"--trace", "plain", "--bits", "sub/../plain"}, 2, "--trace and --bits: both name the file 'sub/../plain'"},
    {kSimulator, {"--png", "missing/a.png"}, 1, "--png missing/a.png: No such file or directory"},
    {kSimulator, {"--trace", "sub"}, 1, "--trace sub: Is a directory"},
    {kSimulator, {"--seal", "plain"}, 1, "--seal plain: line 1: not a name=value line"},
    {kSimulator, {}, 1, "cannot write in the working folder '{dir}': Permission denied", true},
    {kReport, {}, 2, "LOG: no study log given"},
    {kReport, {"--tau", "abc", "plain"}, 2, "--tau: 'abc' is not a number above 0"},
    {kReport, {"--alpha", "1", "plain"}, 2, "--alpha: '1' is not a number between 0 and 1"},
    {kReport, {"missing"}, 1, "missing: No such file or directory"},
    {kReport, {"plain", "--png", "missing/r.png"}, 1, "missing/r.png: No such file or directory"},
    {kReport, {"plain", "--pdf", "sub"}, 1, "sub: Is a directory"},
    {kReport, {"plain", "--size", "252x20"}, 2, "--size: '252x20' is not WxH in points, each from 36 to 1000"},
    {kReport, {"plain", "--size", "2520"}, 2, "--size: '2520' is not WxH in points, each from 36 to 1000"},
    {kReport, {"plain", "--json", "sub"}, 1, "sub: Is a directory"},
    {kReport, {"--network", "plain", "--outside-windows"}, 2, "--outside-windows: needs a --seal"},
    {kReport, {"plain", "--outside-windows"}, 2, "--outside-windows: belongs to --network"},
    {kReport, {"plain", "--from", "2027-01-01T00:00:00Z"}, 2, "--from: belongs to --network"},
    {kReport,
     {"--network", "plain", "--to", "2027-01-01"},
     2,
     "--to: '2027-01-01' is not a UTC time such as 2027-01-01T00:00:00Z"},
    {kReport,
     {"--network", "plain", "--from", "2027-01-01T00:00:01Z", "--to", "2027-01-01T00:00:01Z"},
     2,
     "--to: the range ends before --from begins"},
    {kReport,
     {"--network", "plain", "--partial", "p", "--csv", "c"},
     2,
     "--partial: a file for the range's sums alone, without --csv, --png, --svg, --pdf or --json"},
    {kReport,
     {"--combine", "plain", "--seal", "plain"},
     2,
     "--combine: adds up partial sums alone, with --events and --json at most"},
    {kReport, {"--combine", "plain"}, 1, "plain: not partial sums of novabit-report: not JSON"},
    {kReport, {"--network", "plain", "--partial", "sub"}, 1, "sub: Is a directory"},
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << name_of(refusal.program);
  for (const std::string& argument : refusal.arguments) *out << " '" << argument << "'";
}

class CommandLineRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(CommandLineRefusals, SayWhyInOneLineWithTheDocumentedStatus) {
  const Refusal& refusal = GetParam();
  const ScratchDirectory directory;
  std::filesystem::create_directory(directory.path() / "sub");
  // One five-minute record: a study log the report reads, and no seal.
  std::ofstream(directory.path() / "plain", std::ios::binary)
      << "12-05-2026 - 10:04:59 checkpoint 5 min. 0 > 1 :  30125   29875\r\n"
         "                  Desvio medio al CERO en \xFAltimos 5 min en %:  6.00 \r\n";
  Launch launch = launch_of(refusal.program, refusal.arguments);
  if (refusal.asNobody) {
    launch.asNobody = geteuid() == 0;
    if (const auto closed = testing_app::closed_to_others(directory.path().parent_path()); closed && launch.asNobody) {
      GTEST_SKIP() << "nobody cannot reach a scratch folder: " << *closed;
    }
    for (const auto& folder : {directory.path(), directory.path() / "sub"}) {
      std::filesystem::permissions(folder, std::filesystem::perms(launch.asNobody ? 0755 : 0555));
    }
  }
  LiveMonitor ran(directory.path(), launch);
  EXPECT_EQ(ran.wait_for_exit(20s), refusal.status);
  const std::string errors = ran.errors();
  std::string message = refusal.message;
  if (const auto at = message.find("{dir}"); at != std::string::npos) message.replace(at, 5, directory.path().string());
  const std::string name = name_of(refusal.program);
  const std::string first = errors.substr(0, errors.find('\n') + 1);
  EXPECT_EQ(first, name + ": " + message + "\n");
  const std::string rest = errors.substr(first.size());
  if (refusal.status == 2) {
    EXPECT_TRUE(rest.starts_with("usage: " + name + " ") && rest.ends_with(name + " --version | --help\n")) << rest;
  } else {
    EXPECT_EQ(rest, "");
  }
  EXPECT_EQ(directory.entries(), (std::vector<std::string>{"plain", "sub"}));
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLineRefusals, ::testing::ValuesIn(kRefusals), [](const auto& info) {
  const std::string& program = info.param.program;
  const char* name = program == kMonitor ? "monitor" : program == kSimulator ? "simulator" : "report";
  return name + std::string("_") + std::to_string(info.index);
});

}  // namespace
}  // namespace novabit
