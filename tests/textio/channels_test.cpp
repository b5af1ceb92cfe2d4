// The numbered channels and the printer: files created afresh without losing
// an earlier one, bytes passed unchanged, the line column, and channel 0.

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
    ASSERT_EQ(channels_.open_output_file(directory_.file(std::to_string(channel)), channel), ResultCode::ok);
  }
  EXPECT_EQ(channels_.first_free_channel(), 0);
  for (const int channel : {-1, 0, 4, 255}) {
    EXPECT_EQ(channels_.open_output_file(directory_.file("x"), channel), ResultCode::illegal_call) << channel;
  }
  EXPECT_FALSE(std::filesystem::exists(directory_.file("x")));
  channels_.close_all_channels();
  EXPECT_EQ(channels_.first_free_channel(), 1);
  EXPECT_EQ(channels_.write(1, "lost"), ResultCode::illegal_call);
  EXPECT_EQ(channels_.commit_record(1), ResultCode::illegal_call);
}

// An earlier file moves to the first free NAME.N; nothing there is replaced.
TEST_F(ChannelsTest, AnEarlierFileIsKeptAside) {
  const std::string path = directory_.file("estudio_03-07-2006");
  write_bytes(path, "first run");
  write_bytes(path + ".1", "older run");
  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  channels_.write(1, "second run");
  channels_.close_all_channels();
  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
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
  for (const char* name : {"link", "dangling", "folder"}) {
    EXPECT_EQ(channels_.open_output_file(directory_.file(name), 1), ResultCode::open_refused) << name;
    EXPECT_EQ(channels_.open_failure(), directory_.file(name) + ": File exists");
  }
  EXPECT_EQ(channels_.open_output_file(directory_.file("missing/log"), 1), ResultCode::open_refused);
  EXPECT_EQ(channels_.open_failure(), directory_.file("missing/log") + ": No such file or directory");
  EXPECT_EQ(file_bytes(target), "keep me");
  EXPECT_EQ(directory_.entries(), (std::vector<std::string>{"dangling", "folder", "link", "precious"}));
}

// Bytes reach the file unchanged through an 8192-byte buffer, all of them
// once a record is committed; the line column counts from the last line end.
TEST_F(ChannelsTest, BytesPassUnchangedThroughTheBuffer) {
  const std::string path = directory_.file("log");
  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  const std::string bytes("\xFAltimos\r\n\0x", 11);
  channels_.write(1, bytes);
  EXPECT_EQ(channels_.line_state(1).lineColumn, 2);
  channels_.write(1, std::string(kChannelBufferSize - bytes.size() - 1, 'a'));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  channels_.write(1, "bc\r");
  EXPECT_EQ(channels_.line_state(1).lineColumn, 0);
  EXPECT_EQ(std::filesystem::file_size(path), kChannelBufferSize);
  EXPECT_EQ(channels_.commit_record(1), ResultCode::ok);
  EXPECT_EQ(file_bytes(path), bytes + std::string(kChannelBufferSize - bytes.size() - 1, 'a') + "bc\r");
  EXPECT_FALSE(channels_.records_lost());
}

class RecordingScreen final : public ScreenTextSink {
 public:
  void write_screen_text(std::string_view bytes) override { pieces.emplace_back(bytes); }
  std::vector<std::string> pieces;
};

// Channel 0 is the console until a screen is attached; the screen's line is
// 100 columns wide, so a zone from column 84 on ends it. An integer with its
// line end, and each piece of a picture, are single writes.
TEST_F(ChannelsTest, ChannelZeroAndThePrintersPieces) {
  char* consoleText = nullptr;
  std::size_t consoleSize = 0;
  std::FILE* console = open_memstream(&consoleText, &consoleSize);
  RecordingScreen screen;
  {
    ChannelTable channels(console, nullptr);
    Printer printer(channels);
    printer.print_text(0, "before", Separator::zone);
    channels.attach_screen(screen, 100);
    printer.print_int(0, 42, Separator::newline);
    printer.print_text(0, std::string(83, 'a'), Separator::zone);
    printer.print_text(0, "", Separator::zone);
    printer.begin_picture("##.## %");
    printer.print_picture_number(0, 7.0, Separator::newline);
    printer.print_picture_number(0, 7.0, Separator::none);
    channels.detach_screen();
    printer.print_text(0, "after", Separator::none);
    channels.commit_record(0);
  }
  std::fclose(console);
  EXPECT_EQ(std::string(consoleText, consoleSize), "before        after");
  std::free(consoleText);
  EXPECT_EQ(screen.pieces,
            (std::vector<std::string>{" 42\r\n", std::string(83, 'a'), " ", "\r\n", " 7.00", " %", "\r\n"}));
}

TEST_F(ChannelsTest, FileLinesNeverWrap) {
  const std::string path = directory_.file("zones");
  ASSERT_EQ(channels_.open_output_file(path, 1), ResultCode::ok);
  for (int value = 1; value <= 9; ++value) printer_.print_int(1, value, Separator::zone);
  channels_.close_all_channels();
  std::string expected;
  for (int value = 1; value <= 9; ++value) expected += " " + std::to_string(value) + "            ";
  EXPECT_EQ(file_bytes(path), expected);
}

}  // namespace
}  // namespace novabit
