#include "monitor/metrics_feed.h"

#include <ctime>
#include <utility>

namespace novabit {

Result<std::unique_ptr<MetricsFeed>> MetricsFeed::listen(const ListenAddress& listen, const std::string& webConfig) {
  Result<WebSecurity> security = webConfig.empty() ? WebSecurity{} : read_web_security(webConfig);
  if (!security) return security.failure().after("cannot serve the metrics: ");
  std::unique_ptr<MetricsFeed> feed(new MetricsFeed());
  Result<MetricsServer> server = MetricsServer::start(
      listen, [&feed = *feed] { return feed.page(); }, std::move(*security));
  if (!server) return server.failure();
  feed->server_.emplace(std::move(*server));
  return feed;
}

std::string MetricsFeed::page() const {
  const StationMetrics* metrics = published_.load(std::memory_order_acquire);
  return metrics != nullptr ? metrics->exposition() : std::string();
}

void MetricsFeed::begin(const StationIdentity& identity, const KernelClock& kernelClock) {
  metrics_ = std::make_unique<StationMetrics>(identity, kernelClock);
  metrics_->source_up(true);
  published_.store(metrics_.get(), std::memory_order_release);
}

void MetricsFeed::second_counted(const CountedSecond& second) {
  if (!metrics_) return;
  // The system's clock, as Prometheus's own: a replay's passes are counted now, whatever time they show.
  metrics_->pass_counted(second.ones, std::time(nullptr));
  for (const HealthTest test : kHealthTests) {
    if (second.marks.alarms.fired(test)) metrics_->health_alarm(test);
  }
  if (second.marks.late) metrics_->late_pass();
  if (second.marks.skippedBefore > 0) metrics_->seconds_skipped(second.marks.skippedBefore);
  metrics_->source_up(!second.marks.late);
}

void MetricsFeed::cycle_ended(const EndedCycle&) {
  if (metrics_) metrics_->cycle_completed();
}

void MetricsFeed::records_lost(RecordFile file, std::int64_t count) {
  if (metrics_ && count > 0) metrics_->record_lost(file, static_cast<std::uint64_t>(count));
}

void MetricsFeed::source_ended() {
  if (metrics_) metrics_->source_up(false);
}

}  // namespace novabit
