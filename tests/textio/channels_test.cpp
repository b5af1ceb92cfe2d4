#include "textio/channels.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "textio/temp_directory.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::TempDirectory;
using testing::write_bytes;

class RecordingScreen final : public ScreenTextSink {
 public:
  void write_screen_text(std::string_view bytes) override { pieces.emplace_back(bytes); }
  std::vector<std::string> pieces;
};

class ChannelTableTest : public ::testing::Test {
 protected:
  TempDirectory directory_;
  ChannelTable channels_{nullptr, nullptr};
};

TEST_F(ChannelTableTest, FirstFreeChannelCountsFromOne) {
  EXPECT_EQ(channels_.first_free_channel(), 1);
  ASSERT_EQ(channels_.open_output_file(directory_.file("a"), 1), ResultCode::ok);
  ASSERT_EQ(channels_.open_output_file(directory_.file("b"), 2), ResultCode::ok);
  EXPECT_EQ(channels_.first_free_channel(), 3);
  for (int channel = 3; channel <= kMaxFileChannel; ++channel) {
    ASSERT_EQ(channels_.open_output_file(directory_.file(std::to_string(channel)), channel),
              ResultCode::ok);
  }
  EXPECT_EQ(channels_.first_free_channel(), 0);
  channels_.close_all_channels();
  EXPECT_EQ(channels_.first_free_channel(), 1);
}

TEST_F(ChannelTableTest, RefusesChannelsOutOfRangeOrAlreadyOpen) {
  for (const int channel : {-1, 0, 255, 1000}) {
    EXPECT_EQ(channels_.open_output_file(directory_.file("x"), channel), ResultCode::illegal_call);
    EXPECT_EQ(channels_.last_error(), ResultCode::illegal_call);
  }
  EXPECT_FALSE(std::filesystem::exists(directory_.file("x")));

  ASSERT_EQ(channels_.open_output_file(directory_.file("first"), 4), ResultCode::ok);
  EXPECT_EQ(channels_.last_error(), ResultCode::ok);
  EXPECT_EQ(channels_.open_output_file(directory_.file("second"), 4), ResultCode::illegal_call);
  EXPECT_FALSE(std::filesystem::exists(directory_.file("second")));
  channels_.write(4, "kept");
  channels_.close_all_channels();
  EXPECT_EQ(file_bytes(directory_.file("first")), "kept");
}

TEST_F(ChannelTableTest, WritesToAClosedChannelAreRefused) {
  EXPECT_EQ(channels_.write(1, "lost"), ResultCode::illegal_call);
  EXPECT_EQ(channels_.write(255, "lost"), ResultCode::illegal_call);
  EXPECT_EQ(channels_.write(-2, "lost"), ResultCode::illegal_call);
  EXPECT_EQ(channels_.commit_record(1), ResultCode::illegal_call);
  EXPECT_EQ(channels_.last_error(), ResultCode::illegal_call);
  EXPECT_EQ(channels_.line_state(1).lineColumn, 0);
}

TEST_F(ChannelTableTest, BytesPassUnchanged) {
  const std::string path = directory_.file("estudio_03-07-2006");
  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  const std::string bytes = std::string("\xFAltimos\r\n\n\r\0end", 15);
  EXPECT_EQ(channels_.write(1, bytes), ResultCode::ok);
  channels_.close_all_channels();
  EXPECT_EQ(file_bytes(path), bytes);
}

TEST_F(ChannelTableTest, ExistingFileIsMovedAsideNotDestroyed) {
  const std::string path = directory_.file("estudio_03-07-2006");
  write_bytes(path, "first run");
  write_bytes(path + ".1", "older run");

  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  EXPECT_EQ(file_bytes(path), "");
  EXPECT_EQ(file_bytes(path + ".1"), "older run");
  EXPECT_EQ(file_bytes(path + ".2"), "first run");
  channels_.write(1, "second run");
  channels_.close_all_channels();

  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  channels_.close_all_channels();
  EXPECT_EQ(file_bytes(path), "");
  EXPECT_EQ(file_bytes(path + ".3"), "second run");
}

TEST_F(ChannelTableTest, RefusesToWriteThroughALinkOrOverADirectory) {
  const std::string target = directory_.file("precious");
  write_bytes(target, "keep me");
  const std::string link = directory_.file("estudio_link");
  std::filesystem::create_symlink(target, link);
  const std::string dangling = directory_.file("estudio_dangling");
  std::filesystem::create_symlink(directory_.file("nowhere"), dangling);
  const std::string folder = directory_.file("estudio_folder");
  std::filesystem::create_directory(folder);

  for (const std::string& path : {link, dangling, folder}) {
    EXPECT_EQ(channels_.open_output_file(path, 1), ResultCode::open_refused) << path;
    EXPECT_EQ(channels_.last_error(), ResultCode::open_refused);
    EXPECT_EQ(channels_.open_failure(), path + ": File exists");
    EXPECT_EQ(channels_.first_free_channel(), 1);
    EXPECT_EQ(channels_.write(1, "x"), ResultCode::illegal_call);
  }
  EXPECT_EQ(file_bytes(target), "keep me");
  EXPECT_FALSE(std::filesystem::exists(directory_.file("nowhere")));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_FALSE(std::filesystem::exists(link + ".1"));
}

TEST_F(ChannelTableTest, RefusedOpenNamesTheReason) {
  const std::string path = directory_.file("missing/estudio");
  EXPECT_EQ(channels_.open_output_file(path, 1), ResultCode::open_refused);
  EXPECT_EQ(channels_.open_failure(), path + ": No such file or directory");
  EXPECT_EQ(channels_.open_output_file(std::string("bad\0name", 8), 1), ResultCode::open_refused);
  EXPECT_EQ(channels_.open_output_file("", 1), ResultCode::open_refused);
}

TEST_F(ChannelTableTest, FullyBufferedThroughEightKilobytes) {
  const std::string path = directory_.file("buffered");
  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  const std::string block(kChannelBufferSize - 1, 'a');
  channels_.write(1, block);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  channels_.write(1, "bc");
  EXPECT_EQ(std::filesystem::file_size(path), kChannelBufferSize);
  channels_.close_all_channels();
  EXPECT_EQ(file_bytes(path), block + "bc");
}

TEST_F(ChannelTableTest, CommitRecordPushesEverythingOutUnchanged) {
  for (const bool durable : {true, false}) {
    const std::string path = directory_.file(durable ? "durable" : "quick");
    channels_.set_durable_writes(durable);
    ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
    channels_.write(1, "line one\r\n");
    EXPECT_EQ(channels_.commit_record(1), ResultCode::ok);
    EXPECT_EQ(file_bytes(path), "line one\r\n");
    channels_.write(1, "line two\r\n");
    EXPECT_EQ(channels_.commit_record(1), ResultCode::ok);
    EXPECT_EQ(channels_.commit_record(1), ResultCode::ok);
    channels_.close_all_channels();
    EXPECT_EQ(file_bytes(path), "line one\r\nline two\r\n");
    EXPECT_FALSE(channels_.records_lost());
  }
}

TEST_F(ChannelTableTest, DestructionClosesTheFiles) {
  const std::string path = directory_.file("closed_by_destructor");
  {
    ChannelTable table(nullptr, nullptr);
    ASSERT_EQ(table.open_output_file(path, 7), ResultCode::ok);
    table.write(7, "last records\r\n");
    EXPECT_EQ(file_bytes(path), "");
  }
  EXPECT_EQ(file_bytes(path), "last records\r\n");
}

TEST_F(ChannelTableTest, CloseAllClearsTheRecords) {
  ASSERT_EQ(channels_.open_output_file(directory_.file("a"), 1), ResultCode::ok);
  ASSERT_EQ(channels_.open_output_file(directory_.file("b"), 9), ResultCode::ok);
  channels_.write(9, "abc");
  EXPECT_EQ(channels_.line_state(9).lineColumn, 3);
  channels_.close_all_channels();
  EXPECT_EQ(channels_.line_state(9).lineColumn, 0);
  EXPECT_EQ(channels_.write(9, "late"), ResultCode::illegal_call);
  EXPECT_EQ(file_bytes(directory_.file("b")), "abc");
}

TEST_F(ChannelTableTest, LineColumnFollowsTheLastLineEnd) {
  ASSERT_EQ(channels_.open_output_file(directory_.file("columns"), 1), ResultCode::ok);
  const struct {
    const char* bytes;
    std::int32_t column;
  } steps[] = {{"abc", 3}, {"de", 5}, {"x\r\nyz", 2}, {"\r", 0}, {"ab\ncd\refg", 3}, {"", 3}};
  for (const auto& step : steps) {
    channels_.write(1, step.bytes);
    EXPECT_EQ(channels_.line_state(1).lineColumn, step.column) << step.bytes;
  }
  EXPECT_EQ(channels_.line_state(1).lineWidth, 0);
  channels_.write(1, std::string(250, 'x'));
  EXPECT_EQ(channels_.line_state(1).lineColumn, 253);
}

TEST(ScreenChannel, GoesToTheScreenWhileOneIsAttached) {
  char* consoleText = nullptr;
  std::size_t consoleSize = 0;
  std::FILE* console = open_memstream(&consoleText, &consoleSize);
  ASSERT_NE(console, nullptr);
  {
    ChannelTable channels(console, nullptr);
    channels.write(0, "before ");
    RecordingScreen screen;
    channels.attach_screen(screen, 100);
    EXPECT_EQ(channels.line_state(0).lineColumn, 0);
    EXPECT_EQ(channels.line_state(0).lineWidth, 100);
    channels.write(0, std::string(250, '#'));
    EXPECT_EQ(channels.line_state(0).lineColumn, 50);
    channels.write(0, "\xFA\r\n");
    EXPECT_EQ(channels.line_state(0).lineColumn, 0);
    channels.detach_screen();
    EXPECT_EQ(channels.line_state(0).lineWidth, 0);
    channels.write(0, "after");
    EXPECT_EQ(channels.commit_record(0), ResultCode::ok);
    EXPECT_EQ(screen.pieces, (std::vector<std::string>{std::string(250, '#'), "\xFA\r\n"}));
  }
  std::fclose(console);
  EXPECT_EQ(std::string(consoleText, consoleSize), "before after");
  std::free(consoleText);
}

}  // namespace
}  // namespace novabit
