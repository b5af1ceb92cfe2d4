// One QuarterRecord's print items (four lines, 246 bytes) into a
// buffered file channel with durable writes off, as the simulator writes them.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "textio/printer.h"

namespace {

using novabit::Separator;

constexpr int kChannel = 1;
// The log is started afresh this often so that the benchmark does not fill the disk.
constexpr long kRecordsPerFile = 20000;

class ScratchLog {
 public:
  ScratchLog() {
    std::string pattern = (std::filesystem::temp_directory_path() / "novabit-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      directory_ = pattern;
    }
  }
  ~ScratchLog() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  ScratchLog(const ScratchLog&) = delete;
  ScratchLog& operator=(const ScratchLog&) = delete;

  bool reopen(novabit::ChannelTable& channels) {
    channels.close_all_channels();
    const std::string path = (directory_ / "estudio_12-05-2026").string();
    std::remove(path.c_str());
    return channels.open_output_file(path, kChannel) == novabit::ResultCode::ok;
  }

 private:
  std::filesystem::path directory_;
};

void print_quarter_record(novabit::Printer& printer, const novabit::LocalTime& now) {
  printer.print_text(kChannel, ">>>>>", Separator::none);
  printer.print_text(kChannel, novabit::date_text(now), Separator::none);
  printer.print_text(kChannel, " - ", Separator::none);
  printer.print_text(kChannel, novabit::time_text(now), Separator::none);
  printer.print_text(kChannel, " checkpoint 15 min 0 > 1 : ", Separator::none);
  printer.print_int(kChannel, 90312, Separator::zone);
  printer.print_int(kChannel, 89688, Separator::newline);
  printer.begin_picture("     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ");
  printer.print_picture_number(kChannel, 6.0, Separator::newline);
  printer.begin_picture("     Desvio medio global hacia el UNO en %: ##.## ");
  printer.print_picture_number(kChannel, 25.0, Separator::newline);
  printer.begin_picture("     Desvio medio global hacia el CERO en %: ##.## ");
  printer.print_picture_number(kChannel, 8.0, Separator::newline);
}

void run(benchmark::State& state, bool commit) {
  ScratchLog log;
  novabit::ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  novabit::Printer printer(channels);
  const novabit::LocalTime now{2026, 12, 5, 22, 10, 0};
  if (!log.reopen(channels)) {
    state.SkipWithError("cannot create the scratch log");
    return;
  }
  long records = 0;
  for (auto _ : state) {
    print_quarter_record(printer, now);
    if (commit) {
      channels.commit_record(kChannel);
    }
    if (++records % kRecordsPerFile == 0) {
      state.PauseTiming();
      log.reopen(channels);
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(records * 246);
}

void BM_QuarterRecord(benchmark::State& state) { run(state, false); }
BENCHMARK(BM_QuarterRecord);

void BM_QuarterRecordCommitted(benchmark::State& state) { run(state, true); }
BENCHMARK(BM_QuarterRecordCommitted);

}  // namespace
