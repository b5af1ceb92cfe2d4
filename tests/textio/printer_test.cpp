#include "textio/printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textio/temp_directory.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::TempDirectory;

class RecordingScreen final : public ScreenTextSink {
 public:
  void write_screen_text(std::string_view bytes) override { pieces.emplace_back(bytes); }
  std::string text() const {
    std::string all;
    for (const std::string& piece : pieces) {
      all += piece;
    }
    return all;
  }
  std::vector<std::string> pieces;
};

class ScreenPrinterTest : public ::testing::Test {
 protected:
  ScreenPrinterTest() { channels_.attach_screen(screen_, 100); }

  RecordingScreen screen_;
  ChannelTable channels_{nullptr, nullptr};
  Printer printer_{channels_};
};

TEST_F(ScreenPrinterTest, IntegerWithNewlineIsOneWrite) {
  printer_.print_int(0, 42, Separator::newline);
  printer_.print_int(0, -7, Separator::none);
  EXPECT_EQ(screen_.pieces, (std::vector<std::string>{" 42\r\n", "-7"}));
}

TEST_F(ScreenPrinterTest, TextAndSeparatorAreSeparateWrites) {
  printer_.print_text(0, "\xFAltimos", Separator::newline);
  printer_.print_text(0, "", Separator::newline);
  printer_.print_text(0, "", Separator::none);
  EXPECT_EQ(screen_.pieces, (std::vector<std::string>{"\xFAltimos", "\r\n", "\r\n"}));
}

TEST_F(ScreenPrinterTest, ZoneEndsTheLineFromColumn84On) {
  printer_.print_text(0, std::string(83, 'a'), Separator::zone);
  EXPECT_EQ(screen_.pieces.back(), " ");
  EXPECT_EQ(channels_.line_state(0).lineColumn, 84);
  printer_.print_text(0, "", Separator::zone);
  EXPECT_EQ(screen_.pieces.back(), "\r\n");
  EXPECT_EQ(channels_.line_state(0).lineColumn, 0);
  printer_.print_int(0, 5, Separator::zone);
  EXPECT_EQ(screen_.pieces.back(), std::string(12, ' '));
  EXPECT_EQ(channels_.line_state(0).lineColumn, 14);
}

TEST_F(ScreenPrinterTest, PictureWritesLiteralNumberLiteralSeparator) {
  printer_.begin_picture("     Desvio medio global hacia el UNO en %: ##.## ");
  printer_.print_picture_number(0, 25.0, Separator::newline);
  EXPECT_EQ(screen_.pieces, (std::vector<std::string>{
                                "     Desvio medio global hacia el UNO en %: ", "25.00", " ", "\r\n"}));
}

TEST_F(ScreenPrinterTest, PercentPictureIsFiveCharactersAndLineEnd) {
  for (const double value : {0.0, 0.01, 6.0, 50.5, 99.99}) {
    screen_.pieces.clear();
    printer_.begin_picture("##.##");
    printer_.print_picture_number(0, value, Separator::newline);
    ASSERT_EQ(screen_.text().size(), 7u) << value;
    EXPECT_EQ(screen_.text().substr(5), "\r\n");
  }
}

TEST_F(ScreenPrinterTest, PictureWithoutValueWritesDashes) {
  printer_.begin_picture("     Desvio medio global hacia el CERO en %: ##.##");
  printer_.print_picture_number(0, std::nullopt, Separator::newline);
  EXPECT_EQ(screen_.text(), "     Desvio medio global hacia el CERO en %: --.--\r\n");
}

TEST_F(ScreenPrinterTest, PictureEndsWithItsNumber) {
  printer_.begin_picture("##.##");
  printer_.print_picture_number(0, 1.0, Separator::none);
  printer_.print_picture_number(0, 2.0, Separator::newline);
  EXPECT_EQ(screen_.text(), " 1.00\r\n");
}

TEST(FilePrinter, QuarterRecordBytes) {
  TempDirectory directory;
  const std::string path = directory.file("estudio_12-05-2026");
  {
    ChannelTable channels(nullptr, nullptr);
    Printer printer(channels);
    ASSERT_EQ(channels.open_output_file(path, 1), ResultCode::ok);
    printer.print_text(1, ">>>>>", Separator::none);
    printer.print_text(1, date_text(LocalTime{2026, 12, 5, 22, 10, 0}), Separator::none);
    printer.print_text(1, " - ", Separator::none);
    printer.print_text(1, time_text(LocalTime{2026, 12, 5, 22, 10, 0}), Separator::none);
    printer.print_text(1, " checkpoint 15 min 0 > 1 : ", Separator::none);
    printer.print_int(1, 90312, Separator::zone);
    printer.print_int(1, 89688, Separator::newline);
    printer.begin_picture("     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ");
    printer.print_picture_number(1, 6.0, Separator::newline);
    printer.begin_picture("     Desvio medio global hacia el UNO en %: ##.## ");
    printer.print_picture_number(1, 25.0, Separator::newline);
    printer.begin_picture("     Desvio medio global hacia el CERO en %: ##.## ");
    printer.print_picture_number(1, 8.0, Separator::newline);
  }
  const std::string line1 =
      ">>>>>12-05-2026 - 22:10:00 checkpoint 15 min 0 > 1 :  90312" + std::string(11, ' ') +
      " 89688\r\n";
  ASSERT_EQ(line1.size(), 78u);
  EXPECT_EQ(file_bytes(path),
            line1 + "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %:  6.00 \r\n"
                    "     Desvio medio global hacia el UNO en %: 25.00 \r\n"
                    "     Desvio medio global hacia el CERO en %:  8.00 \r\n");
}

TEST(FilePrinter, ZonesContinuePastTheScreenWidth) {
  TempDirectory directory;
  const std::string path = directory.file("zones");
  {
    ChannelTable channels(nullptr, nullptr);
    Printer printer(channels);
    ASSERT_EQ(channels.open_output_file(path, 1), ResultCode::ok);
    for (int value = 1; value <= 9; ++value) {
      printer.print_int(1, value, Separator::zone);
    }
  }
  std::string expected;
  for (int value = 1; value <= 9; ++value) {
    expected += ' ';
    expected += std::to_string(value);
    expected.append(12, ' ');
  }
  EXPECT_EQ(file_bytes(path), expected);
}

TEST(FilePrinter, PrintingToAChannelThatFailedToOpenDoesNothing) {
  ChannelTable channels(nullptr, nullptr);
  Printer printer(channels);
  ASSERT_EQ(channels.open_output_file("/nonexistent-directory/estudio", 1), ResultCode::open_refused);
  for (const int channel : {1, 300, -1}) {
    printer.print_text(channel, "text", Separator::zone);
    printer.print_int(channel, 3, Separator::zone);
    printer.begin_picture("##.##");
    printer.print_picture_number(channel, 3.0, Separator::newline);
    EXPECT_EQ(channels.last_error(), ResultCode::illegal_call);
  }
  EXPECT_FALSE(channels.records_lost());
}

}  // namespace
}  // namespace novabit
