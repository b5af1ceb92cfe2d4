// The seal of a live run: the key sealed beside the study log before the
// first pass, readable by its owner alone, an earlier seal of the day kept,
// and a seal that cannot be created refusing the start.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "monitor/program.h"
#include "seal/seal.h"
#include "support/files.h"

namespace novabit {
namespace {

using testing::Program;
using testing::ScratchDirectory;

// The key is sealed beside the log before the first pass, readable by its
// owner alone, and an earlier seal of the day is kept; a seal that cannot be
// created refuses the start with one line naming it.
TEST(ProgramTest, SealsTheKeyBesideTheLogAndKeepsTheEarlierSeal) {
  const ScratchDirectory directory(true);
  const std::string seal = "estudio_12-05-2026.seal";
  for (int run = 0; run < 2; ++run) ASSERT_EQ(Program(3, false, true).run(), 0);
  struct stat status {};
  ASSERT_EQ(stat(seal.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const Result<Seal> first = read_seal_file(seal + ".1");
  const Result<Seal> second = read_seal_file(seal);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->key, second->key);
  EXPECT_EQ(date_text(second->start) + " " + time_text(second->start), "12-05-2026 22:00:00");
  EXPECT_EQ(second->clock, 1000.25L);

  std::filesystem::remove(seal);
  std::filesystem::create_directory(seal);
  Program refused(5, false, true);
  EXPECT_EQ(refused.run(), 1);
  EXPECT_EQ(refused.driver().state().secondsElapsed, 1) << "no pass ran";
  EXPECT_EQ(refused.errors(), "novabit: cannot write the seal " + seal + ": " + std::strerror(EEXIST) + "\n");
}

}  // namespace
}  // namespace novabit
