// novabit-report --verify of one 12-hour cycle: the sealed run replayed
// through the simulator's engine and compared, record by record and second
// by second, with its study log and raw record. Target: at most 1 s.

#include <benchmark/benchmark.h>

#include <fstream>

#include "keystream/random_key.h"
#include "report_inputs.h"
#include "seal/seal.h"
#include "sim_scratch.h"
#include "simulator/simulator_main.h"

namespace {

using namespace novabit;

void BM_ReportVerifyACycle(benchmark::State& state) {
  const bench::ScratchDirectory directory;
  const std::string seal = (directory.path() / "run.seal").string();
  std::ofstream(seal) << seal_text({key_from_seed(4), {2026, 12, 5, 10, 0, 0}, {}, std::nullopt});
  const std::string passes = std::to_string(kPassesPerCycle);
  const std::string folder = directory.path().string();
  const std::vector<const char*> simulation{"--seal",   seal.c_str(),   "--no-screen", "--quiet",
                                            "--passes", passes.c_str(), "--dir",       folder.c_str()};
  if (simulator_main(simulation, {stdout, stderr, false, nullptr}) != 0) {
    state.SkipWithError("the simulator failed");
    return;
  }
  const std::string log = folder + "/estudio_12-05-2026.replay";  // a replay of its seal
  const std::string trials = log + ".trials.csv";
  const std::vector<const char*> arguments{"novabit-report", log.c_str(),  "--trials", trials.c_str(),
                                           "--seal",         seal.c_str(), "--verify"};
  for (auto _ : state) {
    std::ostringstream out, err;
    if (report::run_report(arguments, out, err) != 0) state.SkipWithError(err.str().c_str());
    if (out.str().find("reproduces 192 of 192 records") == std::string::npos) state.SkipWithError("not reproduced");
  }
}
BENCHMARK(BM_ReportVerifyACycle)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
