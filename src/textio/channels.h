#pragma once
// Numbered output channels: 0 is the screen (or the console while no screen is
// attached), 1..254 are files written in whole records. Not thread-safe: one
// thread owns it.
//
// A file's record is everything written to its channel since the end of its
// last record. Records reach the file whole or not at all: when a write or a
// sync fails, the file is cut back to the end of its last whole record, the
// records that did not fit are counted as lost, and later records are tried
// again whole, so a disk that gets space back goes on with whole records.
// A file that another program deletes, renames, replaces or cuts short is
// noticed before the next write, told and made again (see watch()).

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "textio/record_losses.h"

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
// Without durable writes, whole records are gathered up to this many bytes before they are written.
inline constexpr std::size_t kChannelBufferSize = 8192;

class ChannelTable {
 public:
  // `console` takes channel 0 while no screen is attached; `losses` (may be
  // null) hears of every record a file loses.
  explicit ChannelTable(std::FILE* console = stdout, RecordLosses* losses = nullptr);
  ~ChannelTable();
  ChannelTable(const ChannelTable&) = delete;
  ChannelTable& operator=(const ChannelTable&) = delete;

  // Lowest closed file channel, 0 when all 254 are open.
  int first_free_channel() const;
  // Creates `name` afresh: an existing regular file of that name is first
  // renamed to NAME.1, NAME.2, ...; the new file is created exclusively and
  // never through a link. A failure names the file. A `head` reaches the file
  // (and with durable writes the disk) before the open succeeds; a file whose
  // head cannot be written is withdrawn (see withdraw_all_channels) and the
  // open fails.
  Outcome open_output_file(std::string_view name, int channel, std::string_view head = {});
  // Adds `bytes` to the channel's record under way and tracks its line column.
  Outcome write(int channel, std::string_view bytes);
  // Ends the record under way. While durable writes are on it is written at
  // once, so that a reader of the file sees it; otherwise once the whole
  // records gathered fill the buffer.
  Outcome end_record(int channel);
  // Ends the record under way and writes every whole record now; while
  // durable writes are on, also syncs the file.
  Outcome commit_record(int channel);
  void close_all_channels();
  // For a start that is refused: closes every file without writing more,
  // removes it and gives an earlier file of its name, moved aside for it, its
  // name back.
  void withdraw_all_channels();

  // The simulator turns this off: its file is complete when it ends.
  void set_durable_writes(bool durable);

  LineState& line_state(int channel);  // channel 0..254
  void attach_screen(ScreenTextSink& sink, std::int32_t lineWidth);
  void detach_screen();

 private:
  struct FileChannel;
  // A call on a channel that is not an open file.
  static Failure refused(int channel);
  FileChannel* file(int channel);
  Outcome write_out(FileChannel& file);
  Outcome sync(FileChannel& file);
  // Before each write: the file must still be the one opened, under its name
  // and at its length. One that another program deleted, renamed away,
  // replaced or cut short is told, its records counted as lost, and it is
  // made again under its name with its head (a file cut short is written on
  // from its new end); a failure to make it again fails the write.
  Outcome watch(FileChannel& file);
  // Writes the head into the file again from its start; `anew`: into a new
  // file made under its name first.
  Outcome make_again(FileChannel& file, bool anew);
  Failure lose(FileChannel& file, std::int64_t records, Failure why);

  std::FILE* console_;
  RecordLosses* losses_;
  ScreenTextSink* screen_ = nullptr;
  std::array<LineState, kMaxFileChannel + 1> lines_{};
  std::array<std::unique_ptr<FileChannel>, kMaxFileChannel + 1> files_;
  bool durable_ = true;
};

}  // namespace novabit
