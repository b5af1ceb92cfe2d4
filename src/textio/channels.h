#pragma once
// Numbered output channels: 0 is the screen (or the console while no screen is
// attached), 1..254 are buffered files. Not thread-safe: one thread owns it.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "textio/failure.h"

namespace novabit {

// Receives channel 0's bytes while a screen is open.
class ScreenTextSink {
 public:
  virtual ~ScreenTextSink() = default;
  virtual void write_screen_text(std::string_view bytes) = 0;
};

struct LineState {
  std::int32_t lineColumn = 0;
  std::int32_t lineWidth = 0;
};

// Channel 0 is the screen, or the console while no screen is attached.
inline constexpr int kScreenChannel = 0;
inline constexpr int kMaxFileChannel = 254;
inline constexpr std::size_t kChannelBufferSize = 8192;

class ChannelTable {
 public:
  // `console` takes channel 0 while no screen is attached; `errors` receives
  // the one-line reports of failed writes.
  explicit ChannelTable(std::FILE* console = stdout, std::FILE* errors = stderr);
  ~ChannelTable();
  ChannelTable(const ChannelTable&) = delete;
  ChannelTable& operator=(const ChannelTable&) = delete;

  // Lowest closed file channel, 0 when all 254 are open.
  int first_free_channel() const;
  // Creates `name` afresh: an existing regular file of that name is first
  // renamed to NAME.1, NAME.2, ...; the new file is created exclusively and
  // never through a link. A failure names the file.
  Outcome open_output_file(std::string_view name, int channel);
  // Hands `bytes` to the channel unchanged and tracks its line column.
  Outcome write(int channel, std::string_view bytes);
  // Pushes the channel's buffer out and, when durable writes are on, syncs the file.
  Outcome commit_record(int channel);
  // While durable writes are on, pushes the channel's buffer out without a
  // sync, so that a reader of the file sees each line as it is written.
  Outcome flush_line(int channel);
  void close_all_channels();

  // The simulator turns this off: its file is complete when it ends.
  void set_durable_writes(bool durable);

  LineState& line_state(int channel);  // channel 0..254
  void attach_screen(ScreenTextSink& sink, std::int32_t lineWidth);
  void detach_screen();

  // True once a write, flush or close of a file failed: records were lost.
  bool records_lost() const { return recordsLost_; }

 private:
  struct FileChannel;
  // A call on a channel that is not an open file.
  static Failure refused(int channel);
  Outcome push_out(int channel, bool flush, bool sync);
  Failure report_loss(const FileChannel& file, const char* what);

  std::FILE* console_;
  std::FILE* errors_;
  ScreenTextSink* screen_ = nullptr;
  std::array<LineState, kMaxFileChannel + 1> lines_{};
  std::array<std::unique_ptr<FileChannel>, kMaxFileChannel + 1> files_;
  bool durable_ = true;
  bool recordsLost_ = false;
};

}  // namespace novabit
