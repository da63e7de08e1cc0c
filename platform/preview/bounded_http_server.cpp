#include "preview/bounded_http_server.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

namespace preview {
namespace {

using Clock = std::chrono::steady_clock;

struct Endpoint {
  std::string address;
  int port = 0;
};

// The numeric address and port of a socket's peer (or, `local`, its own end).
Endpoint endpointOf(int socket, bool local) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  auto* generic = reinterpret_cast<sockaddr*>(&address);
  if ((local ? getsockname(socket, generic, &size) : getpeername(socket, generic, &size)) != 0) {
    return {};
  }
  std::array<char, NI_MAXHOST> host{};
  std::array<char, NI_MAXSERV> service{};
  if (getnameinfo(generic, size, host.data(), host.size(), service.data(), service.size(),
                  NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return {};
  }
  return {host.data(), std::atoi(service.data())};
}

int millisecondsUntil(Clock::time_point when) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

// Waits until the socket may be read (bytes, its end, an error: the read then tells which) or
// written (POLLOUT, and not shut down) until `until`; false when the time ran out.
bool await(int socket, short events, Clock::time_point until) {
  while (true) {
    pollfd ready{socket, events, 0};
    const int result = poll(&ready, 1, millisecondsUntil(until));
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) return false;
    if (events == POLLOUT) {
      return (ready.revents & POLLOUT) != 0 && (ready.revents & (POLLHUP | POLLERR)) == 0;
    }
    return true;
  }
}

// Sends what fits without waiting: an answer the connection ends with.
void sendNow(int socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

// Reads and drops what the client sends until it closes or `until`, so that closing does not
// reset the connection (which may drop the answer before the client reads it).
void drainUntil(int socket, Clock::time_point until) {
  std::array<char, 4096> discard;
  while (await(socket, POLLIN, until)) {
    const ssize_t got = recv(socket, discard.data(), discard.size(), MSG_DONTWAIT);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return;
  }
}

std::string plainAnswer(std::string_view status, std::string_view reason) {
  const std::string body = std::string(reason) + "\n";
  return "HTTP/1.1 " + std::string(status) +
         "\r\nContent-Type: text/plain; charset=utf-8\r\nCache-Control: no-store\r\n"
         "Connection: close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The connection as the library's parser reads it: each request has one deadline from its first
// byte and a cap on its size; past either the connection answers for itself (408, 431) and
// fails every read and write after.
class BoundedStream final : public httplib::Stream {
 public:
  BoundedStream(int socket, Endpoint peer, const ServerBounds& bounds)
      : socket_(socket), peer_(std::move(peer)), bounds_(bounds) {}

  // Waits up to the idle time for the next request's first byte, and starts its deadline.
  bool awaitRequest() {
    if (failed_) return false;
    if (begin_ == end_ && !await(socket_, POLLIN, Clock::now() + bounds_.idle)) return false;
    deadline_ = Clock::now() + bounds_.requestDeadline;
    bytesLeft_ = bounds_.maxRequestBytes;
    return true;
  }
  bool failed() const { return failed_; }

  bool is_readable() const override {
    return !failed_ && (begin_ < end_ || await(socket_, POLLIN, deadline_));
  }
  bool is_writable() const override {
    return !failed_ && await(socket_, POLLOUT, Clock::now() + bounds_.writeTimeout) &&
           !peerClosed();
  }

  ssize_t read(char* data, size_t size) override {
    if (failed_) return -1;
    if (begin_ == end_) {
      const ssize_t got = fill();
      if (got <= 0) return got;
    }
    const std::size_t taken = std::min(size, end_ - begin_);
    std::copy_n(buffer_.data() + begin_, taken, data);
    begin_ += taken;
    return static_cast<ssize_t>(taken);
  }

  ssize_t write(const char* data, size_t size) override {
    while (!failed_) {
      if (!await(socket_, POLLOUT, Clock::now() + bounds_.writeTimeout) || peerClosed()) break;
      const ssize_t sent = send(socket_, data, size, MSG_NOSIGNAL);
      if (sent >= 0) return sent;
      if (errno != EINTR && errno != EAGAIN) break;
    }
    failed_ = true;
    return -1;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = peer_.address;
    port = peer_.port;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    const Endpoint local = endpointOf(socket_, true);
    ip = local.address;
    port = local.port;
  }
  socket_t socket() const override { return socket_; }

 private:
  // Whether the client has closed its end: a page that went away. Its event stream then ends at
  // the next write, as the library's own stream has it, rather than at the write after (the
  // first one into a closed connection goes through).
  bool peerClosed() const {
    char byte;
    const ssize_t peeked = recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EINTR);
  }

  ssize_t fill() {
    begin_ = end_ = 0;
    while (true) {
      if (!await(socket_, POLLIN, deadline_)) {
        return fail("408 Request Timeout", "the request did not arrive whole within " +
                                               std::to_string(bounds_.requestDeadline.count()) +
                                               " s");
      }
      const ssize_t got = recv(socket_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got < 0) {
        failed_ = true;
        return -1;
      }
      if (static_cast<std::size_t>(got) > bytesLeft_) {
        return fail("431 Request Header Fields Too Large",
                    "the request is larger than " + std::to_string(bounds_.maxRequestBytes / 1024) +
                        " KiB");
      }
      bytesLeft_ -= static_cast<std::size_t>(got);
      end_ = static_cast<std::size_t>(got);
      return got;
    }
  }

  ssize_t fail(std::string_view status, const std::string& reason) {
    sendNow(socket_, plainAnswer(status, reason));
    failed_ = true;
    return -1;
  }

  const int socket_;
  const Endpoint peer_;
  const ServerBounds& bounds_;
  std::array<char, 4096> buffer_{};
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  Clock::time_point deadline_ = Clock::now();
  std::size_t bytesLeft_ = 0;
  bool failed_ = false;
};

// How long a connection closed with an answer of its own waits for the client to close first;
// a refused one waits less, so that turning many away takes few threads.
constexpr auto kLinger = std::chrono::milliseconds(200);
constexpr auto kRefusalLinger = std::chrono::milliseconds(50);

}  // namespace

BoundedHttpServer::BoundedHttpServer(ServerBounds bounds)
    : bounds_(bounds), limits_(bounds.maxConnections, bounds.maxConnectionsPerClient) {}

std::optional<int> BoundedHttpServer::bindTo(const std::string& address, int port) {
  const int bound =
      port == 0 ? bind_to_any_port(address) : (bind_to_port(address, port) ? port : -1);
  if (bound <= 0) return std::nullopt;
  ::listen(svr_sock_, SOMAXCONN);  // a socket that listens already takes the new length
  return bound;
}

void BoundedHttpServer::stopAll() {
  stop();
  limits_.shutDownAll();
}

void BoundedHttpServer::closeAfterAnswer(const httplib::Request& request) {
  limits_.closeAfterAnswer(request.remote_addr, request.remote_port);
}

bool BoundedHttpServer::process_and_close_socket(socket_t socket) {
  const Endpoint peer = endpointOf(socket, false);
  const auto admission = limits_.admit(socket, peer.address, peer.port);
  if (admission != ConnectionLimits::Admission::admitted) {
    if (admission != ConnectionLimits::Admission::stopping) {
      // What of the request has come is read first: unread, it would reset the connection.
      drainUntil(socket, Clock::now());
      sendNow(socket, plainAnswer("503 Service Unavailable",
                                  admission == ConnectionLimits::Admission::tooManyFromClient
                                      ? "too many connections from your address: close some"
                                      : "too many connections: try again shortly"));
      shutdown(socket, SHUT_WR);
      drainUntil(socket, Clock::now() + kRefusalLinger);
    }
    close(socket);
    return false;
  }

  BoundedStream stream(socket, peer, bounds_);
  bool answered = false;
  for (std::size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
    if (!stream.awaitRequest()) break;
    bool closing = false;
    answered = process_request(stream, left == 1, closing,
                               [](httplib::Request& request) { request.ranges.clear(); });
    if (!answered || closing || stream.failed() || limits_.closingAfterAnswer(socket)) break;
  }
  if (stream.failed()) {
    shutdown(socket, SHUT_WR);
    drainUntil(socket, Clock::now() + kLinger);
  }
  limits_.release(socket);
  shutdown(socket, SHUT_RDWR);
  close(socket);
  return answered;
}

}  // namespace preview
