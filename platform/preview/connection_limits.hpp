#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace preview {

// The server's open connections: at most `total` in all and `perClient` from one client, so
// that one client's connections, slow or many, leave room for everyone else's. A client is an
// address; an IPv6 client is its /64 network, which one machine usually holds whole. Also lets
// the server end every connection at once when it stops. Thread-safe.
class ConnectionLimits {
 public:
  ConnectionLimits(std::size_t total, std::size_t perClient)
      : total_(total), perClient_(perClient) {}

  enum class Admission : std::uint8_t { admitted, tooManyFromClient, tooManyInAll, stopping };

  // Takes a place for the connection on `socket` from `address` (numeric) and `port`.
  Admission admit(int socket, const std::string& address, int port);
  // Gives the place back; the socket is closed only after this.
  void release(int socket);

  // The connection from `address`:`port` is closed once its answer is written.
  void closeAfterAnswer(const std::string& address, int port);
  bool closingAfterAnswer(int socket) const;

  // Shuts every connection's socket down, so that their reads and writes fail at once, and
  // admits none from then on.
  void shutDownAll();

 private:
  struct Connection {
    std::string client;
    std::string address;
    int port = 0;
    bool closeAfterAnswer = false;
  };

  const std::size_t total_;
  const std::size_t perClient_;
  mutable std::mutex mutex_;
  std::map<int, Connection> open_;  // by socket
  std::map<std::string, std::size_t> perClientOpen_;
  bool stopping_ = false;
};

// Who a connection from `address` counts against: the address itself, an IPv4 address mapped
// into IPv6 as the IPv4 one, any other IPv6 address as its /64 network ("2001:db8:1:2::/64").
std::string clientOf(std::string_view address);

}  // namespace preview
