// One SVG, one PDF and one PNG of ten years of sealed five-minute records (1,051,200
// records, a 99-minute window in every 12-hour cycle), from the report's
// figure to the file. The curves are cut down to each point across the plot:
// the first, lowest, highest and last record that falls in it, so that the
// file's size depends on the figure's width and not on the years. Target:
// at most 2 s and 5 MB each.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>

#include "report/report_picture.h"
#include "sim_scratch.h"

namespace {

using namespace novabit;
using namespace novabit::report;

constexpr std::size_t kRecords = 10 * 365 * 288;
constexpr std::size_t kRecordsPerCycle = 144;

FieldReport ten_years() {
  FieldReport report{BoundarySettings{}};
  report.sealed.emplace_back();
  std::mt19937 random(11);
  std::binomial_distribution<std::int32_t> ones(kFiveMinuteBits, 0.5);
  for (std::size_t record = 0; record < kRecords; ++record) {
    if (record % kRecordsPerCycle == 0) report.picture.boundaries.push_back({record, record == 0});
    const bool inside = record % kRecordsPerCycle >= 50 && record % kRecordsPerCycle < 70;
    report.picture.ones.push_back(ones(random) + (inside ? 600 : 0));
    report.picture.window.push_back(inside ? WindowShare::inside : WindowShare::outside);
  }
  return report;
}

void BM_TenYearsOfRecords(benchmark::State& state, figures::FigureFormat format) {
  const FieldReport report = ten_years();
  const bench::ScratchDirectory directory;
  const std::string file = (directory.path() / "figure").string();
  for (auto _ : state) {
    if (!figures::write_figure(report_figure(report), format, {}, file)) state.SkipWithError("not written");
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK_CAPTURE(BM_TenYearsOfRecords, svg, figures::FigureFormat::svg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TenYearsOfRecords, pdf, figures::FigureFormat::pdf)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TenYearsOfRecords, png, figures::FigureFormat::png)->Unit(benchmark::kMillisecond);

}  // namespace
