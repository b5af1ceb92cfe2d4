// novabit-report from its command line: the outputs made from a log the
// simulator wrote. Its refusals are in the command lines' table.

#include <gtest/gtest.h>

#include <sstream>

#include "report/report_program.h"
#include "support/files.h"
#include "support/simulator_run.h"

namespace novabit::report {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome report(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "novabit-report");
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  std::ostringstream out, err;
  const int status = run_report(pointers, out, err);
  return {status, out.str(), err.str()};
}

TEST(ReportProgram, ReportsASimulatedRunAsTableAndPicture) {
  testing::ScratchDirectory directory;
  const std::string dir = directory.file("");
  ASSERT_EQ(testing::run_simulator({"--no-screen", "--quiet", "--seed", "7", "--start", "2026-12-05 10:00:00",
                                    "--passes", "43800", "--dir", dir})
                .status,
            0);
  ASSERT_EQ(testing::run_simulator({"--no-screen", "--quiet", "--start", "2026-12-04 10:00:00", "--passes", "600",
                                    "--dir", dir})
                .status,
            0);
  const std::string log = directory.file("estudio_12-05-2026");
  const std::string earlier = directory.file("estudio_12-04-2026");
  const Outcome outcome =
      report({log, earlier, "--csv", directory.file("r.csv"), "--png", directory.file("r.png")});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  // In time order, whatever the order of the arguments.
  EXPECT_NE(outcome.out.find("run 1  " + earlier + "  from 12-04-2026 10:00:00  2 five-minute records"),
            std::string::npos);
  EXPECT_NE(outcome.out.find("run 2  " + log + "  from 12-05-2026 10:00:00  146 five-minute records, 48 quarter "
                             "records, 1 cycle record; 0 lines skipped; 48 of 48 quarters checked"),
            std::string::npos)
      << outcome.out;
  EXPECT_EQ(outcome.out.find("do not fit"), std::string::npos) << outcome.out;
  // 2 + 146 five-minute, 48 quarter and 1 cycle rows after the header.
  const std::string table = testing::file_bytes(directory.file("r.csv"));
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 198);
  const std::string png = testing::file_bytes(directory.file("r.png"));
  ASSERT_GT(png.size(), 24U);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x20\0\0\x02\x58", 8));  // 800 x 600

  const Outcome unwritable = report({log, "--csv", directory.file("no/such/dir.csv")});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_TRUE(unwritable.err.ends_with("dir.csv: No such file or directory\n")) << unwritable.err;
}

}  // namespace
}  // namespace novabit::report
