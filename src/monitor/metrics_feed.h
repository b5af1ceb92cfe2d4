#pragma once
// A run's live metrics for Prometheus. The server listens before any file is
// made, so that a port the station cannot have refuses the start; the series
// appear once the key is sealed (a scrape before that gets an empty page) and
// follow every pass, health alarm, late pass, lost record and cycle.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "experiment/experiment_events.h"
#include "metrics/listen_address.h"
#include "metrics/metrics_server.h"
#include "metrics/station_metrics.h"
#include "monitor/monitor_counts.h"
#include "sources/watched_bits.h"

namespace novabit {

class MetricsFeed final : public ExperimentEvents {
 public:
  // With `webConfig`, over HTTPS or with passwords as that file says. A
  // refusal reads e.g. "cannot listen on 127.0.0.1:9464: Address already in use".
  static Result<std::unique_ptr<MetricsFeed>> listen(const ListenAddress& listen, const std::string& webConfig = {});
  MetricsFeed(const MetricsFeed&) = delete;
  MetricsFeed& operator=(const MetricsFeed&) = delete;

  // Once the key is sealed. `watch` tells each pass's alarms, `counts` the
  // records lost, the late passes and the source's state so far. Times are
  // the system clock's, as Prometheus's own.
  void begin(const StationIdentity& identity, const WatchedBits& watch, std::function<MonitorCounts()> counts);
  void second_counted(const CountedSecond& second) override;
  void cycle_ended(const EndedCycle&) override;
  void pass_ended(bool) override { refresh(); }
  // Brings the lost records, the late passes and the source's state up to date.
  void refresh();

  // What a scrape gets now.
  std::string page() const;

 private:
  MetricsFeed() = default;

  std::unique_ptr<StationMetrics> metrics_;
  std::atomic<const StationMetrics*> published_{nullptr};
  const WatchedBits* watch_ = nullptr;
  std::function<MonitorCounts()> counts_;
  MonitorCounts told_;
  // Last, so that it stops before anything its page reads goes.
  std::optional<MetricsServer> server_;
};

}  // namespace novabit
