#pragma once
// A run's live metrics for Prometheus. The server listens before any file is
// made, so that a port the station cannot have refuses the start; the series
// appear once the key is sealed (a scrape before that gets an empty page) and
// follow every pass with its health alarms and lateness, every cycle, every
// lost record and the source's end, as the run tells them.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "experiment/experiment_events.h"
#include "metrics/listen_address.h"
#include "metrics/metrics_server.h"
#include "metrics/station_metrics.h"

namespace novabit {

class MetricsFeed final : public ExperimentEvents {
 public:
  // With `webConfig`, over HTTPS or with passwords as that file says. A
  // refusal reads e.g. "cannot listen on 127.0.0.1:9464: Address already in use".
  static Result<std::unique_ptr<MetricsFeed>> listen(const ListenAddress& listen, const std::string& webConfig = {});
  MetricsFeed(const MetricsFeed&) = delete;
  MetricsFeed& operator=(const MetricsFeed&) = delete;

  // Once the key is sealed; the source is up from then on. Times are the
  // system clock's, as Prometheus's own, and `kernelClock` tells its state.
  void begin(const StationIdentity& identity, const KernelClock& kernelClock);
  void second_counted(const CountedSecond& second) override;
  void cycle_ended(const EndedCycle&) override;
  // `count` records of `file` could not be kept.
  void records_lost(RecordFile file, std::int64_t count);
  // The source delivers no more.
  void source_ended();

  // What a scrape gets now.
  std::string page() const;

 private:
  MetricsFeed() = default;

  std::unique_ptr<StationMetrics> metrics_;
  std::atomic<const StationMetrics*> published_{nullptr};
  // Last, so that it stops before anything its page reads goes.
  std::optional<MetricsServer> server_;
};

}  // namespace novabit
