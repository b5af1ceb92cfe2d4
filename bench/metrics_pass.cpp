// What live metrics cost: the pass thread's update of a counted pass, alone
// and while another thread scrapes without pause; a whole pass of the monitor
// (virtual clocks, the study log and raw record in a scratch folder, not
// synced) without and with its metrics, whose difference is the added cost
// per pass (target 0.2 us); and one scrape (target 1 ms): the exposition text
// alone and a whole HTTP GET of /metrics on loopback.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "clocks/virtual_clocks.h"
#include "metrics/metrics_server.h"
#include "metrics/station_metrics.h"
#include "monitor/monitor.h"
#include "replay/given_key.h"

namespace {

const novabit::StationIdentity kIdentity{"bench-station", "device:/dev/hwrng", "1.0.0", std::string(64, 'a'),
                                         1796535140};

void BM_PassCounted(benchmark::State& state) {
  novabit::StationMetrics metrics(kIdentity);
  std::atomic<bool> done{false};
  std::thread scraper;
  if (state.range(0) == 1) {
    scraper = std::thread([&] {
      while (!done.load()) benchmark::DoNotOptimize(metrics.exposition());
    });
  }
  std::int64_t second = 1796535140;
  for (auto _ : state) {
    ++second;
    metrics.pass_counted(static_cast<int>(second % 201), second);
  }
  done = true;
  if (scraper.joinable()) scraper.join();
}
BENCHMARK(BM_PassCounted)->ArgName("scraping")->Arg(0)->Arg(1);

void BM_MonitorPass(benchmark::State& state) {
  using namespace novabit;
  const std::filesystem::path before = std::filesystem::current_path();
  std::string folder = (std::filesystem::temp_directory_path() / "novabit-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) std::abort();
  std::filesystem::current_path(folder);
  {
    SimulatedSecondsClock clock(1000);
    const SimulatedWallClock wallClock(clock, 1796630400, 1796630400 - 1000);
    GivenKey sealer(key_from_seed(1));
    MonitorSettings settings;
    settings.console = nullptr;
    settings.durableWrites = false;
    settings.trialsRecord = true;
    settings.station = "bench-station";
    if (state.range(0) == 1) settings.metrics = ListenAddress{"127.0.0.1", 0};
    Monitor monitor({{}, clock, wallClock, sealer, {}}, settings);
    if (!monitor.start()) state.SkipWithError("the monitor did not start");
    for (auto _ : state) monitor.run(1);
    static_cast<void>(monitor.end_status());
  }
  std::filesystem::current_path(before);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_MonitorPass)->ArgName("metrics")->Arg(0)->Arg(1);

void BM_Exposition(benchmark::State& state) {
  novabit::StationMetrics metrics(kIdentity);
  for (int pass = 0; pass < 86400; ++pass) metrics.pass_counted(100, 1796535140 + pass);
  for (auto _ : state) benchmark::DoNotOptimize(metrics.exposition());
}
BENCHMARK(BM_Exposition);

// A new connection for every request, as Prometheus scrapes.
std::string http_get(std::uint16_t port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET /metrics HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    if (write(socket, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
      char buffer[8192];
      for (ssize_t got; (got = read(socket, buffer, sizeof buffer)) > 0;) response.append(buffer, got);
    }
  }
  close(socket);
  return response;
}

void BM_HttpGet(benchmark::State& state) {
  novabit::StationMetrics metrics(kIdentity);
  auto server = novabit::MetricsServer::start({"127.0.0.1", 0}, [&metrics] { return metrics.exposition(); });
  if (!server) {
    state.SkipWithError(server.failure().message().c_str());
    return;
  }
  for (auto _ : state) {
    if (http_get(server->port()).find("novabit_source_up{") == std::string::npos) state.SkipWithError("no page");
  }
}
BENCHMARK(BM_HttpGet)->UseRealTime();

}  // namespace
