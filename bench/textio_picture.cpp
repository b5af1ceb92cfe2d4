// The "##.##" text of one percentage, as each checkpoint line needs it.

#include <benchmark/benchmark.h>

#include "textio/formatting.h"

namespace {

void BM_PercentText(benchmark::State& state) {
  const novabit::PictureText picture = novabit::parse_picture("##.##");
  double value = 6.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(novabit::picture_number_text(picture, value));
    value = value < 99.0 ? value + 0.37 : 0.01;
  }
}
BENCHMARK(BM_PercentText);

void BM_PercentTextScaled(benchmark::State& state) {
  const novabit::PictureText picture = novabit::parse_picture("##.##");
  for (auto _ : state) {
    benchmark::DoNotOptimize(novabit::picture_number_text(picture, 0.005));
  }
}
BENCHMARK(BM_PercentTextScaled);

void BM_ParseQuarterPicture(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        novabit::parse_picture("     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## "));
  }
}
BENCHMARK(BM_ParseQuarterPicture);

}  // namespace
