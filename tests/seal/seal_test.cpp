// The seal of a live run: the key sealed beside the study log before the
// first pass, readable by its owner alone, an earlier seal of the day kept,
// and a seal that cannot be created refusing the start.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "monitor/program.h"
#include "seal/seal.h"
#include "support/files.h"

namespace novabit {
namespace {

using testing::Program;
using testing::ScratchDirectory;

// The key is sealed before the first pass, readable by its owner alone. Three
// stations share a keeper's folder: each seal's name carries its station, so
// that none sets another's aside while an earlier seal of its own is kept,
// and each names its station and its run's commitment. A seal that cannot be
// created beside the log refuses the start with one line naming it.
TEST(ProgramTest, SealsTheKeyAndKeepsEveryEarlierSealOfItsStation) {
  const ScratchDirectory directory(true);
  std::filesystem::create_directory("keeper");
  for (const auto& [station, part] :
       {std::pair{"a.z_A-Z 0/9~", "a.z_A-Z_0_9_"}, {"lab 2", "lab_2"}, {"a.z_A-Z 0/9~", "a.z_A-Z_0_9_"}}) {
    Program run(3, false, true, station, "keeper");
    ASSERT_EQ(run.run(), 0);
    const std::string text = testing::file_bytes("keeper/estudio_12-05-2026." + std::string(part) + ".seal");
    EXPECT_NE(text.find("\nstation=" + std::string(station) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nkey_sha256=" + run.driver().key_commitment() + "\n"), std::string::npos) << text;
  }
  const std::string seal = "keeper/estudio_12-05-2026.a.z_A-Z_0_9_.seal";
  EXPECT_EQ(testing::entries_of("keeper"),
            (std::vector<std::string>{"estudio_12-05-2026.a.z_A-Z_0_9_.seal", "estudio_12-05-2026.a.z_A-Z_0_9_.seal.1",
                                      "estudio_12-05-2026.lab_2.seal"}));
  struct stat status {};
  ASSERT_EQ(stat(seal.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const Result<Seal> first = read_seal_file(seal + ".1");
  const Result<Seal> second = read_seal_file(seal);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->key, second->key);
  EXPECT_EQ(second->clock, 1000.25L);

  std::filesystem::create_directory("estudio_12-05-2026.seal");
  Program refused(5, false, true);
  EXPECT_EQ(refused.run(), 1);
  EXPECT_EQ(refused.driver().state().secondsElapsed, 1) << "no pass ran";
  EXPECT_EQ(refused.errors(),
            "novabit: cannot write the seal estudio_12-05-2026.seal: " + std::string(std::strerror(EEXIST)) + "\n");
}

// The clock line's value is the run's start on the steady clock: a plain
// decimal of seconds within 31 bits, or the seal is refused.
TEST(SealText, TakesOnlyAPlainDecimalClock) {
  Seal sealed;
  sealed.start = {2026, 12, 5, 22, 0, 0};
  sealed.station = "S1";
  for (const auto& [clock, seconds] : std::initializer_list<std::pair<const char*, long double>>{{"12.500000", 12.5L},
                                                                                                 {"0", 0},
                                                                                                 {"", -1},
                                                                                                 {"abc", -1},
                                                                                                 {"-1", -1},
                                                                                                 {"1e3", -1},
                                                                                                 {"inf", -1},
                                                                                                 {"2147483648", -1},
                                                                                                 {"12.5x", -1}}) {
    const Result<Seal> seal = parse_seal(seal_text(sealed) + "clock=" + clock + "\n");
    EXPECT_EQ(seal ? *seal->clock : -1, seconds) << clock;
    EXPECT_EQ(seal ? "" : seal.failure().what, seconds < 0 ? "line 8: clock is not a number of seconds" : "") << clock;
  }
}

}  // namespace
}  // namespace novabit
