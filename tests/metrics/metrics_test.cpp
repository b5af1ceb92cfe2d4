// The live metrics as Prometheus reads them: the text parsed back after known
// events, and three simulated stations answering a real Prometheus, started
// on a free local port with the shipped rules, that scrapes them every second
// and records the network's Z.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <deque>
#include <fstream>
#include <map>
#include <regex>
#include <thread>
#include <vector>

#include "metrics/metrics_server.h"
#include "metrics/station_metrics.h"
#include "support/live_monitor.h"
#include "support/simulator_run.h"
#include "support/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using Table = std::vector<std::pair<std::string, std::string>>;

std::string curl(const std::string& arguments) {
  return testing_x::command_output("curl -s --max-time 20 " + arguments).value_or("");
}

// The samples by series ("name{labels}"). The text must be families, each
// with its HELP, TYPE and samples; counters, and they alone, named _total.
std::map<std::string, std::string> samples(const std::string& text) {
  const std::regex families(R"((# HELP (\w+) .+\n# TYPE \2 (counter|gauge)\n(\2\{.+\} \d+\n)+)+)");
  const std::regex type(R"(# TYPE (\w+) (\w+))"), sample(R"((.+\}) (\d+))");
  EXPECT_TRUE(std::regex_match(text, families)) << text;
  for (std::sregex_iterator match(text.begin(), text.end(), type), end; match != end; ++match) {
    EXPECT_EQ(match->str(2) == "counter", match->str(1).ends_with("_total")) << match->str();
  }
  std::map<std::string, std::string> values;
  for (std::sregex_iterator match(text.begin(), text.end(), sample), end; match != end; ++match) {
    values[match->str(1)] = match->str(2);
  }
  return values;
}

TEST(StationMetrics, TextCountsEveryEventOnceWithEverySeriesAlwaysThere) {
  StationMetrics metrics({"lab \"7\"\\\n", "device:/dev/hwrng", "1.0.0", "5e1f", 1796535140});
  for (const int ones : {120, 200, 0}) metrics.pass_counted(ones, 1796535141 + ones);
  metrics.health_alarm(HealthTest::adaptive_proportion);
  metrics.late_pass();
  metrics.record_lost(RecordFile::raw_record, 3);
  metrics.cycle_completed();
  metrics.source_up(true);
  const auto series = [](const std::string& name, const std::string& more = "") {
    return name + R"({station="lab \"7\"\\\n",source="device:/dev/hwrng")" + more + "}";
  };
  const std::map<std::string, std::string> expected = {
      {series("novabit_info", R"(,version="1.0.0",key_sha256="5e1f")"), "1"},
      {series("novabit_run_start_timestamp_seconds"), "1796535140"},
      {series("novabit_passes_total"), "3"},
      {series("novabit_bits_total"), "600"},
      {series("novabit_ones_total"), "320"},
      {series("novabit_health_alarms_total", R"(,test="repetition_count")"), "0"},
      {series("novabit_health_alarms_total", R"(,test="adaptive_proportion")"), "1"},
      {series("novabit_late_passes_total"), "1"},
      {series("novabit_records_lost_total", R"(,file="study_log")"), "0"},
      {series("novabit_records_lost_total", R"(,file="raw_record")"), "3"},
      {series("novabit_records_lost_total", R"(,file="seal")"), "0"},
      {series("novabit_last_pass_timestamp_seconds"), "1796535141"},
      {series("novabit_cycles_completed"), "1"},
      {series("novabit_source_up"), "1"},
  };
  for (int scrape = 0; scrape < 2; ++scrape) EXPECT_EQ(samples(metrics.exposition()), expected);
}

// A scrape beside the passes sees each pass whole, its ones with its count:
// every odd pass has 200 ones, every even one none.
TEST(StationMetrics, AScrapeBesideThePassesSeesEachPassWhole) {
  StationMetrics metrics({"lab", "keyed", "1.0.0", "5e1f", 1796535140});
  std::jthread passes([&metrics] {
    for (int pass = 1; pass <= 20000; ++pass) metrics.pass_counted(pass % 2 == 1 ? 200 : 0, pass);
  });
  for (std::int64_t counted = 0; counted < 20000;) {
    const std::string page = metrics.exposition();
    counted = testing::metric_value(page, "novabit_passes_total");
    ASSERT_EQ(testing::metric_value(page, "novabit_ones_total"), 200 * ((counted + 1) / 2)) << page;
  }
}

// A local port that was free a moment ago.
std::uint16_t free_port() { return MetricsServer::start({"127.0.0.1", 0}, {})->port(); }

// Three stations: simulators serving their metrics, each on a port of its own,
// at the lowest priority so that their passes leave the machine to the rest.
struct Stations {
  Stations() {
    for (const char* name : {"north", "east", "west"}) {
      const std::string port = std::to_string(free_port());
      testing_app::Launch launch = testing_app::simulator({"-n", "19", NOVABIT_SIM_EXECUTABLE, "--no-screen", "--no-trials",
                                                           "--passes", "2147483646", "--station", name, "--metrics", port});
      launch.program = "/usr/bin/nice";
      runs.emplace_back(directories.emplace_back().path(), launch);
      addresses.push_back("127.0.0.1:" + port);
    }
  }
  std::deque<testing::ScratchDirectory> directories;
  std::deque<testing_app::LiveMonitor> runs;
  std::vector<std::string> addresses;
};

// The query's first value must reach `expected` within a minute.
void expect_answer(const std::string& api, const std::string& query, const std::string& expected) {
  const std::regex value(R"re("value":\[[0-9.]+,"([^"]*)"\])re");
  std::string body;
  std::smatch found;
  for (const auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
    body = curl("-G --data-urlencode 'query=" + query + "' " + api);
    if (std::regex_search(body, found, value) && found[1] == expected) return;
    std::this_thread::sleep_for(200ms);
  }
  ADD_FAILURE() << query << ": " << body;
}

TEST(MetricsServer, AnswersARealPrometheusAndRefusesTheRest) {
  const Stations stations;
  const std::string station = "-o /dev/null -w '%{http_code} %{content_type}' http://" + stations.addresses[0];
  const Table answers = {{station + "/metrics", "200 text/plain; version=0.0.4; charset=utf-8"},
                         {station + "/", "404 text/plain"},
                         {station + "/metrics/x", "404 text/plain"},
                         {"-X POST " + station + "/metrics", "405 text/plain"}};
  for (const auto& [arguments, status] : answers) {
    for (int tries = 0; tries < 100 && curl(arguments).empty(); ++tries) std::this_thread::sleep_for(100ms);
    EXPECT_EQ(curl(arguments), status) << arguments;
  }
  // A port taken: one line, status 1, before any file is made.
  testing::ScratchDirectory refusedFolder;
  const std::string port = stations.addresses[0].substr(stations.addresses[0].find(':') + 1);
  testing_app::LiveMonitor refused(refusedFolder.path(), testing_app::simulator({"--no-screen", "--metrics", port}));
  EXPECT_EQ(refused.wait_for_exit(20s), 1);
  EXPECT_EQ(refused.errors(), "novabit-sim: cannot listen on " + stations.addresses[0] + ": Address already in use\n");
  EXPECT_TRUE(refusedFolder.entries().empty());

  const auto program = testing_x::program_path("prometheus");
  if (!program) GTEST_SKIP() << "prometheus is not installed (Debian package prometheus)";
  testing::ScratchDirectory directory;
  std::ofstream config(directory.file("prometheus.yml"));
  config << "global: {scrape_interval: 1s, evaluation_interval: 1s}\nrule_files: ['" NOVABIT_PROMETHEUS_RULES "']\n"
         << "scrape_configs: [{job_name: novabit, static_configs: [{targets: [";
  for (const std::string& address : stations.addresses) config << "'" << address << "',";
  config << "]}]}]\n" << std::flush;
  // A port the system chose, which must be free again once its server is gone.
  const std::string address = "127.0.0.1:" + std::to_string(free_port());
  testing_app::LiveMonitor prometheus(directory.path(), {.program = *program,
                                                         .arguments = {"--config.file=prometheus.yml", "--storage.tsdb.path=data",
                                                                       "--web.listen-address=" + address},
                                                         .environment = {}});
  const std::string api = "http://" + address + "/api/v1/query";
  expect_answer(api, "count(count by (station) (rate(novabit_passes_total[1m]) > 0))", "3");
  expect_answer(api, "count(station:novabit_z:5m)", "3");
  expect_answer(api, "count(abs(network:novabit_stouffer_z:5m - sum(station:novabit_z:5m) / sqrt(vector(3))) < 1e-9)", "1");
}

}  // namespace
}  // namespace novabit
