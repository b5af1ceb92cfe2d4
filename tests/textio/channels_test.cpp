// The numbered file channels: files created afresh without losing an earlier
// one, bytes passed unchanged through the buffer, and the line column.

#include "textio/channels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::write_bytes;

class ChannelsTest : public ::testing::Test {
 protected:
  testing::ScratchDirectory directory_;
  ChannelTable channels_{nullptr, nullptr};
  Printer printer_{channels_};
};

TEST_F(ChannelsTest, NumbersRunFromOneAndRefusedCallsChangeNothing) {
  EXPECT_EQ(channels_.first_free_channel(), 1);
  for (int channel = 1; channel <= kMaxFileChannel; ++channel) {
    ASSERT_TRUE(channels_.open_output_file(directory_.file(std::to_string(channel)), channel));
  }
  EXPECT_EQ(channels_.first_free_channel(), 0);
  for (const int channel : {-1, 0, 4, 255}) {
    EXPECT_FALSE(channels_.open_output_file(directory_.file("x"), channel)) << channel;
  }
  EXPECT_FALSE(std::filesystem::exists(directory_.file("x")));
  channels_.close_all_channels();
  EXPECT_EQ(channels_.first_free_channel(), 1);
  EXPECT_FALSE(channels_.write(1, "lost"));
  EXPECT_FALSE(channels_.commit_record(1));
}

// An earlier file moves to the first free NAME.N; nothing there is replaced.
TEST_F(ChannelsTest, AnEarlierFileIsKeptAside) {
  const std::string path = directory_.file("estudio_03-07-2006");
  write_bytes(path, "first run");
  write_bytes(path + ".1", "older run");
  ASSERT_TRUE(channels_.open_output_file(path, 1));
  ASSERT_TRUE(channels_.write(1, "second run"));
  channels_.close_all_channels();
  ASSERT_TRUE(channels_.open_output_file(path, 1));
  channels_.close_all_channels();
  const std::vector<std::string> kept = {file_bytes(path), file_bytes(path + ".1"), file_bytes(path + ".2"),
                                         file_bytes(path + ".3")};
  EXPECT_EQ(kept, (std::vector<std::string>{"", "older run", "first run", "second run"}));
}

TEST_F(ChannelsTest, NeverWritesThroughALinkOrOverADirectory) {
  const std::string target = directory_.file("precious");
  write_bytes(target, "keep me");
  std::filesystem::create_symlink(target, directory_.file("link"));
  std::filesystem::create_symlink(directory_.file("nowhere"), directory_.file("dangling"));
  std::filesystem::create_directory(directory_.file("folder"));
  for (const char* name : {"link", "dangling", "folder", "missing/log"}) {
    const Outcome opened = channels_.open_output_file(directory_.file(name), 1);
    ASSERT_FALSE(opened) << name;
    EXPECT_EQ(opened.failure().message(),
              directory_.file(name) + (name[0] == 'm' ? ": No such file or directory" : ": File exists"));
  }
  EXPECT_EQ(file_bytes(target), "keep me");
  EXPECT_EQ(directory_.entries(), (std::vector<std::string>{"dangling", "folder", "link", "precious"}));
}

}  // namespace
}  // namespace novabit
