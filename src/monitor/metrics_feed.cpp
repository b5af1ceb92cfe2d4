#include "monitor/metrics_feed.h"

#include <ctime>
#include <utility>

namespace novabit {

Result<std::unique_ptr<MetricsFeed>> MetricsFeed::listen(const ListenAddress& listen, const std::string& webConfig) {
  Result<WebSecurity> security = webConfig.empty() ? WebSecurity{} : read_web_security(webConfig);
  if (!security) return security.failure().after("cannot serve the metrics: ");
  std::unique_ptr<MetricsFeed> feed(new MetricsFeed());
  Result<MetricsServer> server =
      MetricsServer::start(listen, [&feed = *feed] { return feed.page(); }, std::move(*security));
  if (!server) return server.failure();
  feed->server_.emplace(std::move(*server));
  return feed;
}

std::string MetricsFeed::page() const {
  const StationMetrics* metrics = published_.load(std::memory_order_acquire);
  return metrics != nullptr ? metrics->exposition() : std::string();
}

void MetricsFeed::begin(const StationIdentity& identity, const WatchedBits& watch,
                        std::function<MonitorCounts()> counts) {
  metrics_ = std::make_unique<StationMetrics>(identity);
  watch_ = &watch;
  counts_ = std::move(counts);
  refresh();
  published_.store(metrics_.get(), std::memory_order_release);
}

void MetricsFeed::second_counted(const CountedSecond& second) {
  if (!metrics_) return;
  // The system's clock, as Prometheus's own: a replay's passes are counted now, whatever time they show.
  metrics_->pass_counted(second.ones, std::time(nullptr));
  for (const HealthTest test : kHealthTests) {
    if (watch_->pass_alarms().fired(test)) metrics_->health_alarm(test);
  }
}

void MetricsFeed::cycle_ended(const EndedCycle&) {
  if (metrics_) metrics_->cycle_completed();
}

void MetricsFeed::refresh() {
  if (!metrics_) return;
  const MonitorCounts now = counts_();
  for (const auto& [file, count] : {std::pair{RecordFile::study_log, &MonitorCounts::studyLogRecordsLost},
                                    std::pair{RecordFile::raw_record, &MonitorCounts::rawRecordRowsLost},
                                    std::pair{RecordFile::seal, &MonitorCounts::sealRecordsLost}}) {
    if (now.*count > told_.*count) metrics_->record_lost(file, static_cast<std::uint64_t>(now.*count - told_.*count));
  }
  for (std::int64_t late = told_.latePasses; late < now.latePasses; ++late) metrics_->late_pass();
  metrics_->source_up(now.sourceUp && !now.sourceLate);
  told_ = now;
}

}  // namespace novabit
