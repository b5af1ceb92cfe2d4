// The live metrics as Prometheus reads them: the text parsed back after known
// events; the endpoint against clients that would shut it out, connections
// that trickle a request and never finish it, while a probe scrapes once a
// second; and three simulated stations answering a real Prometheus, started
// on a free local port with the shipped rules, that scrapes them every second
// (one over HTTPS with a password), records the network's Z and finds data
// for every query of the shipped Grafana dashboard.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <fstream>
#include <map>
#include <regex>
#include <thread>
#include <vector>

#include "base/file_handles.h"
#include "metrics/metrics_server.h"
#include "metrics/station_metrics.h"
#include "support/fakes.h"
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
  const std::regex families(R"((# HELP (\w+) .+\n# TYPE \2 (counter|gauge)\n(\2\{.+\} (\d+(\.\d+)?|NaN)\n)+)+)");
  const std::regex type(R"(# TYPE (\w+) (\w+))"), sample(R"((.+\}) (\S+))");
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
  const testing::SetKernelClock kernelClock;
  StationMetrics metrics({"lab \"7\"\\\n", "device:/dev/hwrng", "1.0.0", "5e1f", 1796535140}, kernelClock);
  for (const int ones : {120, 200, 0}) metrics.pass_counted(ones, 1796535141 + ones);
  metrics.health_alarm(HealthTest::adaptive_proportion);
  metrics.late_pass();
  metrics.seconds_skipped(89);
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
      {series("novabit_skipped_seconds_total"), "89"},
      {series("novabit_records_lost_total", R"(,file="study_log")"), "0"},
      {series("novabit_records_lost_total", R"(,file="raw_record")"), "3"},
      {series("novabit_records_lost_total", R"(,file="seal")"), "0"},
      {series("novabit_last_pass_timestamp_seconds"), "1796535141"},
      {series("novabit_cycles_completed"), "1"},
      {series("novabit_source_up"), "1"},
      {series("novabit_clock_synchronized"), "1"},
      {series("novabit_clock_max_error_seconds"), "0.001"},
  };
  for (int scrape = 0; scrape < 2; ++scrape) EXPECT_EQ(samples(metrics.exposition()), expected);
}

// A scrape beside the passes sees each pass whole, its ones with its count:
// every odd pass has 200 ones, every even one none.
TEST(StationMetrics, AScrapeBesideThePassesSeesEachPassWhole) {
  const testing::SetKernelClock kernelClock;
  StationMetrics metrics({"lab", "keyed", "1.0.0", "5e1f", 1796535140}, kernelClock);
  std::jthread passes([&metrics] {
    for (int pass = 1; pass <= 20000; ++pass) metrics.pass_counted(pass % 2 == 1 ? 200 : 0, pass);
  });
  for (std::int64_t counted = 0; counted < 20000;) {
    const std::string page = metrics.exposition();
    counted = testing::metric_value(page, "novabit_passes_total");
    ASSERT_EQ(testing::metric_value(page, "novabit_ones_total"), 200 * ((counted + 1) / 2)) << page;
  }
}

// Connections from each of `addresses`, `each` from every one, that have sent
// a request's first line and the name of a header, and never end it.
std::vector<FileDescriptor> slow_connections(std::uint16_t port, const std::vector<std::string>& addresses, int each) {
  std::vector<FileDescriptor> connections;
  for (const std::string& from : addresses) {
    for (int connection = 0; connection < each; ++connection) {
      FileDescriptor& socket = connections.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
      sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {}, .sin_zero = {}};
      inet_pton(AF_INET, from.c_str(), &address.sin_addr);
      bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
      address.sin_port = htons(port);
      inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
      connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
      send(socket.get(), "GET /metrics HTTP/1.1\r\nX-Slow: ", 31, MSG_NOSIGNAL);
    }
  }
  return connections;
}

// How many of `connections` the server has closed; each still open sends a byte more.
int closed_after_a_byte(const std::vector<FileDescriptor>& connections) {
  return static_cast<int>(std::count_if(connections.begin(), connections.end(), [](const FileDescriptor& socket) {
    char byte = 0;
    return recv(socket.get(), &byte, 1, MSG_DONTWAIT) == 0 || send(socket.get(), "a", 1, MSG_NOSIGNAL) != 1;
  }));
}

// Every probe is served while the slow connections press on, sending a byte
// a second. From one address, all but 8 are closed at once, and the 8 are
// held (here for a minute); from 25 addresses, each is closed once it has
// taken 5 seconds. How quickly a probe is served under this load is measured
// by bench_metrics_pass.
TEST(MetricsEndpoint, ServesEveryProbeWhileSlowConnectionsPressOn) {
  std::vector<std::string> several;
  for (int host = 10; host < 35; ++host) several.push_back("127.0.0." + std::to_string(host));
  const struct {
    const char* what;
    std::vector<std::string> addresses;
    int each;
    ServerLimits limits;
    int closed;
  } pressures[] = {{"40 from one address", {"127.0.0.2"}, 40, {.exchange = 60s}, 32},
                   {"200 from 25 addresses", several, 8, {}, 200}};
  for (const auto& pressure : pressures) {
    auto server = MetricsServer::start(
        {"127.0.0.1", 0}, [] { return std::string("novabit_source_up 1\n"); }, {}, pressure.limits);
    ASSERT_TRUE(server);
    const std::vector<FileDescriptor> slow = slow_connections(server->port(), pressure.addresses, pressure.each);
    const std::string url = " http://127.0.0.1:" + std::to_string(server->port()) + "/metrics";
    for (int scrape = 0; scrape < 5; ++scrape, std::this_thread::sleep_for(1s)) {
      closed_after_a_byte(slow);
      EXPECT_EQ(testing_x::command_output("curl -s --max-time 20 -o /dev/null -w '%{http_code}'" + url), "200")
          << pressure.what << ", scrape " << scrape;
    }
    int closed = 0;
    for (int tries = 0; tries < 150 && (closed = closed_after_a_byte(slow)) < pressure.closed; ++tries) {
      std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(closed, pressure.closed) << pressure.what;
    // A client that asks again at once keeps its connection.
    EXPECT_EQ(testing_x::command_output("curl -s -o /dev/null -o /dev/null -w '%{num_connects}'" + url + url), "10");
  }
  // A connection its client closed is forgotten: the descriptor it leaves,
  // taken here by sockets put to another use, is never shut at its deadline.
  auto server = MetricsServer::start({"127.0.0.1", 0}, [] { return std::string(); }, {}, {.exchange = 1s});
  curl("http://127.0.0.1:" + std::to_string(server->port()) + "/metrics");
  std::this_thread::sleep_for(200ms);
  std::vector<FileDescriptor> others;
  for (int pair[2]; others.size() < 16 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0;)
    others.emplace_back(pair[0]), others.emplace_back(pair[1]);
  std::this_thread::sleep_for(2s);
  EXPECT_EQ(closed_after_a_byte(others), 0);
  // What the server cannot use is refused in one line; names are shown on one line too.
  const auto refused = MetricsServer::start({"127.0.0.1", 0}, {}, {"none", "none", {}});
  const std::regex why("cannot listen on 127.0.0.1:0: the HTTPS server did not start: [^\n]*certificate[^\n]*[^.]");
  EXPECT_TRUE(!refused && std::regex_match(refused.failure().message(), why));
  EXPECT_EQ(parse_web_config("\"a\\tb c\": 1").failure().message(), "line 1: 'a?b c' is not a setting NovaBit takes");
  const testing::ScratchDirectory folder;
  testing::write_bytes(folder.file("big.yml"), std::string(kMaxWebConfigBytes + 1, '#'));
  EXPECT_EQ(read_web_security(folder.file("big.yml")).failure().message(), folder.file("big.yml") + ": larger than 64 KiB");
}

// A local port that was free a moment ago.
std::uint16_t free_port() { return MetricsServer::start({"127.0.0.1", 0}, {})->port(); }

// Three stations: simulators serving their metrics, each on a port of its own,
// at the lowest priority so that their passes leave the machine to the rest.
// The first serves HTTPS with a certificate for 127.0.0.1 that openssl makes,
// and asks for the password "test" of the user prometheus, and "other" of
// grafana (bcrypt hashes of the least cost, which a loaded machine checks at
// once).
struct Stations {
  Stations() {
    testing_x::command_output("cd " + folder.path().string() +
                              " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                              "-subj /CN=novabit -addext subjectAltName=IP:127.0.0.1 -keyout station.key "
                              "-out station.crt 2>/dev/null");
    testing::write_bytes(folder.file("web.yml"),
                         "tls_server_config: {cert_file: station.crt, key_file: station.key}\n"
                         "basic_auth_users:\n"  // an unknown name is checked against the first name's hash
                         "  prometheus: $2b$04$2LrVPTXMQS0DSEJNdNZ9dOzp2hXGHV8Fr93oAP0KwaB9Y9ks9F/Ku\n"
                         "  reader: $2b$04$HK2QYXQt2wbvm.5af/7iteJGj7JzJss6dzbRVLTMPWIs3T0Thg9U.\n");
    for (const char* name : {"north", "east", "west"}) {
      const std::string port = std::to_string(free_port());
      std::vector<std::string> arguments = {
          "-n",        "19", NOVABIT_SIM_EXECUTABLE, "--no-screen", "--no-trials", "--passes", "2147483646", "--station", name,
          "--metrics", port};
      if (runs.empty()) arguments.insert(arguments.end(), {"--metrics-web-config", folder.file("web.yml")});
      testing_app::Launch launch = testing_app::simulator(arguments);
      launch.program = "/usr/bin/nice";
      runs.emplace_back(directories.emplace_back().path(), launch);
      addresses.push_back("127.0.0.1:" + port);
    }
  }
  testing::ScratchDirectory folder;
  std::string certificate = folder.file("station.crt");
  std::deque<testing::ScratchDirectory> directories;
  std::deque<testing_app::LiveMonitor> runs;
  std::vector<std::string> addresses;
};

// The query's answer must match `pattern` within a minute.
void expect_answer(const std::string& api, const std::string& query, const std::string& pattern) {
  std::string body;
  for (const auto end = std::chrono::steady_clock::now() + 60s;
       std::chrono::steady_clock::now() < end && !std::regex_search(body, std::regex(pattern));
       std::this_thread::sleep_for(200ms)) {
    body = curl("-G --data-urlencode 'query=" + query + "' " + api);
  }
  EXPECT_TRUE(std::regex_search(body, std::regex(pattern))) << query << ": " << body;
}

TEST(MetricsServer, AnswersARealPrometheusAndRefusesTheRest) {
  const Stations stations;
  // The secured station answers only its user, and speaks only TLS.
  const std::string station =
      "-o /dev/null -w '%{http_code} %{content_type}' --cacert " + stations.certificate + " https://" + stations.addresses[0];
  for (int tries = 0; tries < 100 && curl(station + "/metrics").empty(); ++tries) std::this_thread::sleep_for(100ms);
  const Table answers = {{"-u prometheus:test " + station + "/metrics", "200 text/plain; version=0.0.4; charset=utf-8"},
                         {"-u prometheus:tesT " + station + "/metrics", "401 text/plain"},
                         {"-u reader:test " + station + "/metrics", "401 text/plain"},
                         {"-u nobody:test " + station + "/metrics", "401 text/plain"},
                         {station + "/metrics", "401 text/plain"},
                         {station + "/", "401 text/plain"},
                         {"-u prometheus:test " + station + "/", "404 text/plain"},
                         {"-u prometheus:test -X POST " + station + "/metrics", "405 text/plain"},
                         {"http://" + stations.addresses[0] + "/metrics", ""}};
  for (const auto& [arguments, status] : answers) EXPECT_EQ(curl(arguments), status) << arguments;
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
         << "scrape_configs:\n- {job_name: novabit-secured, honor_labels: true, scheme: https, tls_config: {ca_file: '"
         << stations.certificate << "'}, basic_auth: {username: prometheus, password: test}, "
         << "relabel_configs: [{target_label: job, replacement: novabit}], static_configs: [{targets: ['" << stations.addresses[0]
         << "'], labels: {station: north}}]}\n"
         << "- {job_name: novabit, honor_labels: true, static_configs: [{targets: ['" << stations.addresses[1] << "', '"
         << stations.addresses[2] << "']}]}\n"
         << std::flush;
  // A port the system chose, which must be free again once its server is gone.
  const std::string address = "127.0.0.1:" + std::to_string(free_port());
  testing_app::LiveMonitor prometheus(directory.path(), {.program = *program,
                                                         .arguments = {"--config.file=prometheus.yml", "--storage.tsdb.path=data",
                                                                       "--web.listen-address=" + address},
                                                         .environment = {}});
  const std::string api = "http://" + address + "/api/v1/query";
  // All three stations are scraped and have their z; the rules' figures are
  // checked by their unit tests.
  expect_answer(api, "count(station:novabit_z:5m)", R"("value":\[[0-9.]+,"3"\])");
  // Every query of the dashboard finds data for every station.
  const std::string dashboard = testing::file_bytes(NOVABIT_GRAFANA_DASHBOARD);
  const std::regex expression(R"re("expr": "((?:[^"\\]|\\.)*)")re");
  for (std::sregex_iterator match(dashboard.begin(), dashboard.end(), expression), end; match != end; ++match) {
    const std::string query =
        std::regex_replace(std::regex_replace(match->str(1), std::regex(R"(\\(.))"), "$1"), std::regex(R"(\$station)"), ".+");
    expect_answer(api, query, R"("result":\[\{)");
  }
}

}  // namespace
}  // namespace novabit
