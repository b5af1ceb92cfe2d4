#include "simulator/simulator_main.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <string>

#include "program/progress_bar.h"
#include "program/stop_signals.h"
#include "simulator/simulation.h"
#include "simulator/simulator_options.h"

namespace novabit {

namespace {

// Passes between looks at the outputs, the stop request and the progress bar.
constexpr std::int64_t kPassesPerStep = 1000;

int fail(const SimulatorStreams& streams, const Failure& failure) {
  return CommandLineEnd::failure(failure).tell("novabit-sim", "", streams.output, streams.errors);
}

bool stop_requested(const SimulatorStreams& streams) {
  return streams.stopRequested != nullptr && *streams.stopRequested != 0;
}

int simulate(const SimulatorOptions& options, const SimulatorStreams& streams) {
  Result<std::unique_ptr<Simulation>> created =
      Simulation::create(options, streams.output, streams.errors, streams.stopRequested);
  if (!created) return fail(streams, created.failure());
  Simulation& simulation = **created;
  if (const Outcome started = simulation.start(); !started) return fail(streams, started.failure());

  std::optional<ProgressBar> progress;
  if (streams.errorsIsTerminal && !options.quiet) progress.emplace(streams.errors, options.passes);
  const auto begin = std::chrono::steady_clock::now();
  while (simulation.passes_run() < options.passes && !simulation.outputs_stopped() && !stop_requested(streams)) {
    simulation.run(std::min(kPassesPerStep, options.passes - simulation.passes_run()));
    if (progress) {
      progress->show(simulation.passes_run(),
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
  }
  if (progress) progress->finish();

  int status = simulation.finish();
  const std::string unexpected = stop_requested(streams) ? unexpected_signal(*streams.stopRequested) : "";
  if (!unexpected.empty() || (stop_requested(streams) && simulation.passes_run() < options.passes)) {
    const std::string by = unexpected.empty() ? "" : "by " + unexpected + ", ";
    std::fprintf(streams.errors, "novabit-sim: stopped %safter %lld of %lld passes; the files hold those passes\n",
                 by.c_str(), static_cast<long long>(simulation.passes_run()), static_cast<long long>(options.passes));
    status = 1;
  }
  return status;
}

}  // namespace

int simulator_main(std::span<const char* const> arguments, const SimulatorStreams& streams) {
  const CommandLine<SimulatorOptions> parsed = parse_arguments(arguments, std::time(nullptr));
  if (const auto* end = std::get_if<CommandLineEnd>(&parsed)) {
    return end->tell("novabit-sim", usage_text(), streams.output, streams.errors);
  }
  const auto& options = std::get<SimulatorOptions>(parsed);
  if (const Outcome paths = check_paths(options); !paths) return fail(streams, paths.failure());
  return simulate(options, streams);
}

}  // namespace novabit
