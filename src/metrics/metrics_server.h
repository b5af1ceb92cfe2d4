#pragma once
// Serves GET /metrics over HTTP, or HTTPS through libmicrohttpd's GnuTLS,
// from a thread of its own: the page is written afresh for every request, on
// that thread. Every other path is 404, every other method on /metrics 405;
// where users are named, a request without one of their passwords gets 401
// and nothing else. Slow or idle clients cannot starve a scrape: one address
// holds only a few connections at once, and a connection that does not
// complete its request and answer within a few seconds of opening, or of its
// previous answer, is closed however slowly it keeps sending. The thread
// ends, and the port is free again, when the server is destroyed.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/failure.h"
#include "metrics/listen_address.h"
#include "metrics/web_config.h"

namespace novabit {

struct ServerLimits {
  unsigned connectionsPerAddress = 8;
  unsigned connections = 512;
  std::chrono::milliseconds exchange{5000};
};

class MetricsServer {
 public:
  using Page = std::function<std::string()>;

  // Listens on `listen` (port 0: one the system chooses). A refusal reads
  // e.g. "cannot listen on 127.0.0.1:9464: Address already in use".
  static Result<MetricsServer> start(const ListenAddress& listen, Page page, WebSecurity security = {},
                                     ServerLimits limits = {});
  ~MetricsServer();
  MetricsServer(MetricsServer&&) noexcept;
  MetricsServer& operator=(MetricsServer&&) noexcept;

  std::uint16_t port() const;

  struct Running;  // what the server's thread and callbacks share

 private:
  explicit MetricsServer(std::unique_ptr<Running> running);

  std::unique_ptr<Running> running_;
};

}  // namespace novabit
