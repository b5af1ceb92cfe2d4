#include "metrics/metrics_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>
#include <string_view>

#include "base/file_handles.h"

namespace novabit {

namespace {

constexpr const char* kExpositionType = "text/plain; version=0.0.4; charset=utf-8";

struct ResponseRelease {
  void operator()(MHD_Response* response) const { MHD_destroy_response(response); }
};

// The body is copied: the response may outlive it.
MHD_Result reply(MHD_Connection* connection, unsigned status, const std::string& body, const char* type) {
  const std::unique_ptr<MHD_Response, ResponseRelease> response(
      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY));
  if (!response) return MHD_NO;
  MHD_add_response_header(response.get(), MHD_HTTP_HEADER_CONTENT_TYPE, type);
  if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
    MHD_add_response_header(response.get(), MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
  return MHD_queue_response(connection, status, response.get());
}

MHD_Result answer(void* page, MHD_Connection* connection, const char* url, const char* method, const char*, const char*,
                  std::size_t*, void**) {
  if (std::string_view(url) != "/metrics") return reply(connection, MHD_HTTP_NOT_FOUND, "not found\n", "text/plain");
  if (std::string_view(method) != MHD_HTTP_METHOD_GET && std::string_view(method) != MHD_HTTP_METHOD_HEAD) {
    return reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "only GET\n", "text/plain");
  }
  return reply(connection, MHD_HTTP_OK, (*static_cast<MetricsServer::Page*>(page))(), kExpositionType);
}

// A socket bound and listening, so that a refusal carries the system's reason.
Result<FileDescriptor> listening_socket(const ListenAddress& listen, const std::string& what) {
  sockaddr_storage address{};
  socklen_t length = 0;
  if (listen.ipv6()) {
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = htons(listen.port);
    if (inet_pton(AF_INET6, listen.address.c_str(), &ipv6.sin6_addr) != 1) return Failure{what + ": not an address"};
    length = sizeof ipv6;
  } else {
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = htons(listen.port);
    if (inet_pton(AF_INET, listen.address.c_str(), &ipv4.sin_addr) != 1) return Failure{what + ": not an address"};
    length = sizeof ipv4;
  }
  FileDescriptor socket(::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int reuse = 1;
  if (!socket.valid() || setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
      bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(socket.get(), 16) != 0) {
    return system_failure(what);
  }
  return socket;
}

std::uint16_t bound_port(int socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(address).sin6_port
                                             : reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

}  // namespace

void MetricsServer::DaemonStop::operator()(MHD_Daemon* daemon) const { MHD_stop_daemon(daemon); }

Result<MetricsServer> MetricsServer::start(const ListenAddress& listen, Page page) {
  const std::string what = "cannot listen on " + listen_address_text(listen);
  Result<FileDescriptor> socket = listening_socket(listen, what);
  if (!socket) return socket.failure();
  auto running = std::make_unique<Running>();
  running->page = std::move(page);
  running->port = bound_port(socket->get());
  // libmicrohttpd takes the socket for good: it closes it when it stops.
  running->daemon.reset(MHD_start_daemon(MHD_USE_AUTO_INTERNAL_THREAD, 0, nullptr, nullptr, &answer, &running->page,
                                         MHD_OPTION_LISTEN_SOCKET, socket->release(), MHD_OPTION_CONNECTION_TIMEOUT,
                                         10u, MHD_OPTION_CONNECTION_LIMIT, 32u, MHD_OPTION_END));
  if (!running->daemon) return Failure{what + ": the HTTP server did not start"};
  return MetricsServer(std::move(running));
}

}  // namespace novabit
