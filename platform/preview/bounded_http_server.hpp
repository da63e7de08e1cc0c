#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <httplib.h>

#include "preview/connection_limits.hpp"

namespace preview {

struct ServerBounds {
  // A whole request (its line, headers and body) must arrive within this, from its first byte.
  std::chrono::seconds requestDeadline{5};
  // A request's line, headers and body together.
  std::size_t maxRequestBytes = 64 << 10;
  // Connections open at once, in all and from one client (see ConnectionLimits).
  std::size_t maxConnections = 80;
  std::size_t maxConnectionsPerClient = 64;
  // How long a connection may wait for its next request, and for a write to go through.
  std::chrono::seconds idle{2};
  std::chrono::seconds writeTimeout{5};
};

// cpp-httplib's server, bounded against clients that are slow or many. The library reads a
// request with a timeout per read, so a client that sends a header line now and then holds its
// connection for ever; and it takes every connection it accepts, so slow clients can fill every
// thread. Its one hook for either is the handling of a whole connection (process_and_close_socket,
// which its TLS server overrides too): this class reads each request through a stream of its own,
// with one deadline from the request's first byte and a cap on its size, and hands it to the
// library's own parser and router (process_request). A connection over the limits gets a 503 at
// once and is closed. A Range header is ignored: every answer is the whole resource (the library
// would answer any number of ranges, overlapping ones too, each a copy of the body).
class BoundedHttpServer final : public httplib::Server {
 public:
  explicit BoundedHttpServer(ServerBounds bounds = {});

  // Binds to `address` and `port` (0: any free one), and answers the port; nothing when it
  // cannot. The library listens with a queue of 5 connections, which a burst of pages (or an
  // attack) fills at once, and a connection that finds it full waits for the system's retries, a
  // second and more: the queue is made as long as the system allows.
  std::optional<int> bindTo(const std::string& address, int port);

  // Stops accepting, and ends every open connection at once: a request half-read or an answer
  // half-written fails; a handler at work runs to its end.
  void stopAll();
  // The connection that carried `request` is closed once its answer is written: for a refusal
  // the client would otherwise hold on to.
  void closeAfterAnswer(const httplib::Request& request);

 private:
  bool process_and_close_socket(socket_t socket) override;

  ServerBounds bounds_;
  ConnectionLimits limits_;
};

}  // namespace preview
