// The reader threads on made-up files, built under ThreadSanitizer too: each
// file's seconds, then its end or its failure, come out in order whatever the
// number of threads, and the threads end with their owner however far the
// merger got.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/station_readers.h"

namespace novabit::report {
namespace {

// `count` seconds, pass p at UTC 1000 + p, then the end; or a failure in
// place of second `failAt`.
class MadeUp final : public SecondStream {
 public:
  MadeUp(std::int64_t count, std::int64_t failAt) : count_(count), failAt_(failAt) {}
  Next<TrialSecond> next() override {
    if (++read_ == failAt_) return Failure{"made-up failure", 0};
    if (read_ > count_) return std::optional<TrialSecond>();
    TrialSecond second;
    second.pass = read_;
    second.utc = 1000 + read_;
    return std::optional<TrialSecond>(second);
  }

 private:
  std::int64_t count_, failAt_, read_ = 0;
};

// Longer and shorter than a batch, one failing in its second batch, one empty.
std::vector<MadeUp> made_up() { return {{5000, 0}, {3, 0}, {4500, 3000}, {0, 0}, {2048, 0}}; }

// What a merger taking one second of each file in turn sees.
std::vector<std::string> merged(std::vector<MadeUp>& files, std::size_t readers) {
  std::vector<SecondStream*> streams;
  for (MadeUp& file : files) streams.push_back(&file);
  StationReaders threads(streams, readers);
  std::vector<std::string> seen(files.size());
  for (bool more = true; more;) {
    more = false;
    for (std::size_t f = 0; f < files.size(); ++f) {
      if (seen[f].ends_with(".")) continue;
      const Next<TrialSecond> next = threads.next(f);
      if (!next) {
        seen[f] += next.failure().message() + ".";
      } else if (!*next) {
        seen[f] += "end.";
      } else {
        seen[f] += std::to_string((*next)->pass) + ",";
        more = true;
      }
    }
  }
  return seen;
}

TEST(StationReaders, GiveEachFilesSecondsInOrderWhateverTheThreads) {
  std::vector<MadeUp> alone = made_up();
  const std::vector<std::string> serial = merged(alone, 1);
  EXPECT_EQ(serial[1], "1,2,3,end.");
  EXPECT_TRUE(serial[2].ends_with(",2998,2999,made-up failure.")) << serial[2].substr(serial[2].size() - 40);
  EXPECT_EQ(serial[3], "end.");
  for (const std::size_t readers : {2, 3, 8}) {
    std::vector<MadeUp> files = made_up();
    EXPECT_EQ(merged(files, readers), serial) << readers << " readers";
  }
  // One reader is the caller itself, with no thread; never more threads than files.
  const std::vector<SecondStream*> ended(3, nullptr);
  EXPECT_EQ(StationReaders(ended, 1).threads(), 0U);
  EXPECT_EQ(StationReaders(ended, 5).threads(), 3U);
  // Threads reading ahead end with their owner, the merger gone after one second.
  std::vector<MadeUp> files = made_up();
  EXPECT_EQ((*StationReaders(std::vector<SecondStream*>{&files[0], &files[2], &files[4]}, 3).next(0))->pass, 1);
}

}  // namespace
}  // namespace novabit::report
