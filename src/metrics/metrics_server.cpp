#include "metrics/metrics_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <stop_token>
#include <string_view>
#include <thread>
#include <vector>

#include "base/file_handles.h"
#include "metrics/passwords.h"

namespace novabit {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kExpositionType = "text/plain; version=0.0.4; charset=utf-8";

struct ResponseRelease {
  void operator()(MHD_Response* response) const { MHD_destroy_response(response); }
};
struct MhdFree {
  void operator()(char* text) const { MHD_free(text); }
};

}  // namespace

// Everything the server's thread uses; only that thread touches it once the
// daemon runs. The thread is declared last, so that it stops first, and the
// daemon before the page it calls goes.
struct MetricsServer::Running {
  // Nested rather than in the unnamed namespace: Running is seen beyond this
  // file, and so are its members' types.
  struct DaemonStop {
    void operator()(MHD_Daemon* daemon) const { MHD_stop_daemon(daemon); }
  };
  // An open connection: its socket, and when it must have completed its exchange.
  struct Watched {
    int socket = -1;
    std::chrono::steady_clock::time_point deadline;
  };

  Page page;
  Passwords passwords;
  ServerLimits limits;
  std::uint16_t port = 0;
  std::map<MHD_Connection*, Watched> connections;
  std::string certificate;  // PEM, empty for plain HTTP
  std::string key;
  std::string* startLog = nullptr;  // libmicrohttpd's complaints while it starts
  FileDescriptor wake{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
  std::unique_ptr<MHD_Daemon, DaemonStop> daemon;
  std::jthread loop;
};

namespace {

using Running = MetricsServer::Running;

// The body is copied: the response may outlive it.
MHD_Result reply(MHD_Connection* connection, unsigned status, const std::string& body, const char* type) {
  const std::unique_ptr<MHD_Response, ResponseRelease> response(
      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY));
  if (!response) return MHD_NO;
  MHD_add_response_header(response.get(), MHD_HTTP_HEADER_CONTENT_TYPE, type);
  if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
    MHD_add_response_header(response.get(), MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
  if (status == MHD_HTTP_UNAUTHORIZED) {
    return MHD_queue_basic_auth_fail_response(connection, "NovaBit station", response.get());
  }
  return MHD_queue_response(connection, status, response.get());
}

bool authorized(Running& server, MHD_Connection* connection) {
  if (!server.passwords.required()) return true;
  char* password = nullptr;
  const std::unique_ptr<char, MhdFree> user(MHD_basic_auth_get_username_password(connection, &password));
  const std::unique_ptr<char, MhdFree> given(password);
  return user && given && server.passwords.accepts(user.get(), given.get());
}

// Answers once the request has been read, a body dropped: an answer queued
// before would close the connection after it.
MHD_Result answer(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*, const char*,
                  std::size_t* bodyBytes, void** request) {
  if (*request == nullptr || *bodyBytes != 0) {
    *request = cls;
    *bodyBytes = 0;
    return MHD_YES;
  }
  Running& server = *static_cast<Running*>(cls);
  if (!authorized(server, connection)) return reply(connection, MHD_HTTP_UNAUTHORIZED, "unauthorized\n", "text/plain");
  if (std::string_view(url) != "/metrics") return reply(connection, MHD_HTTP_NOT_FOUND, "not found\n", "text/plain");
  if (std::string_view(method) != MHD_HTTP_METHOD_GET && std::string_view(method) != MHD_HTTP_METHOD_HEAD) {
    return reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "only GET\n", "text/plain");
  }
  return reply(connection, MHD_HTTP_OK, server.page(), kExpositionType);
}

void connection_noticed(void* cls, MHD_Connection* connection, void**, MHD_ConnectionNotificationCode code) {
  Running& server = *static_cast<Running*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
    server.connections.erase(connection);
    return;
  }
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  const int socket = info != nullptr ? info->connect_fd : -1;
  // TLS sends its handshake in several small writes, which Nagle's rule
  // would hold back for the client's delayed acknowledgement.
  const int noDelay = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  server.connections[connection] = {socket, Clock::now() + server.limits.exchange};
}

void request_completed(void* cls, MHD_Connection* connection, void**, MHD_RequestTerminationCode) {
  Running& server = *static_cast<Running*>(cls);
  const auto watched = server.connections.find(connection);
  if (watched != server.connections.end()) watched->second.deadline = Clock::now() + server.limits.exchange;
}

void log_line(void* cls, const char* format, va_list arguments) {
  const Running& server = *static_cast<const Running*>(cls);
  if (server.startLog == nullptr) return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, arguments);
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '.')) text.pop_back();
  *server.startLog += (server.startLog->empty() ? ": " : "; ") + text;
}

// How long the loop may wait: until libmicrohttpd has work to do, or the
// first exchange is overdue; -1 for as long as it takes.
int wait_milliseconds(const Running& server) {
  Clock::time_point until = Clock::time_point::max();
  for (const auto& [connection, watched] : server.connections) until = std::min(until, watched.deadline);
  MHD_UNSIGNED_LONG_LONG pending = 0;
  long long wait = LLONG_MAX;
  if (MHD_get_timeout(server.daemon.get(), &pending) == MHD_YES)
    wait = static_cast<long long>(std::min<MHD_UNSIGNED_LONG_LONG>(pending, LLONG_MAX));
  if (until != Clock::time_point::max()) {
    wait =
        std::min(wait, std::max(0LL, static_cast<long long>(
                                         std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count())));
  }
  return wait == LLONG_MAX ? -1 : static_cast<int>(std::min<long long>(wait, INT_MAX));
}

// A shut socket is closed, and forgotten, by libmicrohttpd's next round.
void close_overdue(Running& server) {
  const Clock::time_point now = Clock::now();
  for (auto& [connection, watched] : server.connections) {
    if (watched.deadline > now) continue;
    shutdown(watched.socket, SHUT_RDWR);
    watched.deadline = Clock::time_point::max();
  }
}

void serve(const std::stop_token& stop, Running& server) {
  const int events = MHD_get_daemon_info(server.daemon.get(), MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd;
  const std::stop_callback wake(stop, [&server] { eventfd_write(server.wake.get(), 1); });
  while (!stop.stop_requested()) {
    pollfd ready[] = {{events, POLLIN, 0}, {server.wake.get(), POLLIN, 0}};
    poll(ready, 2, wait_milliseconds(server));
    MHD_run(server.daemon.get());
    close_overdue(server);
  }
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
  FileDescriptor socket(::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  const int reuse = 1;
  // A long queue, so that a burst of connections never makes a scrape wait for its SYN to be sent again.
  if (!socket.valid() || setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
      bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      ::listen(socket.get(), SOMAXCONN) != 0) {
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

template <typename Function>
MHD_OptionItem callback(MHD_OPTION option, Function function, Running& server) {
  return {option, reinterpret_cast<intptr_t>(function), &server};
}

}  // namespace

Result<MetricsServer> MetricsServer::start(const ListenAddress& listen, Page page, WebSecurity security,
                                           ServerLimits limits) {
  const std::string what = "cannot listen on " + listen_address_text(listen);
  const bool tls = !security.certificate.empty();
  if (tls && MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES) return Failure{what + ": no HTTPS in libmicrohttpd"};
  Result<FileDescriptor> socket = listening_socket(listen, what);
  if (!socket) return socket.failure();
  auto running = std::make_unique<Running>();
  running->page = std::move(page);
  running->passwords = Passwords(std::move(security.users));
  running->certificate = std::move(security.certificate);
  running->key = std::move(security.key);
  running->limits = limits;
  running->port = bound_port(socket->get());
  std::string startLog;
  running->startLog = &startLog;
  // libmicrohttpd takes the socket for good: it closes it when it stops.
  std::vector<MHD_OptionItem> options = {callback(MHD_OPTION_EXTERNAL_LOGGER, &log_line, *running),
                                         {MHD_OPTION_LISTEN_SOCKET, socket->release(), nullptr},
                                         {MHD_OPTION_CONNECTION_LIMIT, limits.connections, nullptr},
                                         {MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits.connectionsPerAddress, nullptr},
                                         callback(MHD_OPTION_NOTIFY_CONNECTION, &connection_noticed, *running),
                                         callback(MHD_OPTION_NOTIFY_COMPLETED, &request_completed, *running)};
  if (tls) {
    options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, running->certificate.data()});
    options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, running->key.data()});
  }
  options.push_back({MHD_OPTION_END, 0, nullptr});
  running->daemon.reset(MHD_start_daemon(MHD_USE_EPOLL | MHD_USE_ERROR_LOG | (tls ? MHD_USE_TLS : 0), 0, nullptr,
                                         nullptr, &answer, running.get(), MHD_OPTION_ARRAY, options.data(),
                                         MHD_OPTION_END));
  running->startLog = nullptr;
  if (!running->daemon) return Failure{what + ": the HTTP" + (tls ? "S" : "") + " server did not start" + startLog};
  running->loop = std::jthread([&server = *running](const std::stop_token& stop) { serve(stop, server); });
  return MetricsServer(std::move(running));
}

MetricsServer::MetricsServer(std::unique_ptr<Running> running) : running_(std::move(running)) {}
MetricsServer::~MetricsServer() = default;
MetricsServer::MetricsServer(MetricsServer&&) noexcept = default;
MetricsServer& MetricsServer::operator=(MetricsServer&&) noexcept = default;

std::uint16_t MetricsServer::port() const { return running_->port; }

}  // namespace novabit
