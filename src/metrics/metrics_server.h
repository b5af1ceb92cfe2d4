#pragma once
// Serves GET /metrics over HTTP from a thread of its own (libmicrohttpd): the
// page is written afresh for every request, on that thread. Every other path
// is 404, every other method on /metrics 405. The thread ends, and the port
// is free again, when the server is destroyed.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/failure.h"
#include "metrics/listen_address.h"

struct MHD_Daemon;

namespace novabit {

class MetricsServer {
 public:
  using Page = std::function<std::string()>;

  // Listens on `listen` (port 0: one the system chooses). A refusal reads
  // e.g. "cannot listen on 127.0.0.1:9464: Address already in use".
  static Result<MetricsServer> start(const ListenAddress& listen, Page page);

  std::uint16_t port() const { return running_->port; }

 private:
  struct DaemonStop {
    void operator()(MHD_Daemon* daemon) const;
  };
  // The daemon is declared last so that it stops before the page it calls goes.
  struct Running {
    Page page;
    std::uint16_t port = 0;
    std::unique_ptr<MHD_Daemon, DaemonStop> daemon;
  };
  explicit MetricsServer(std::unique_ptr<Running> running) : running_(std::move(running)) {}

  std::unique_ptr<Running> running_;
};

}  // namespace novabit
