// Talks to the preview's server as a browser, a script or a hostile client would: one TCP
// connection driven byte by byte, from any loopback address.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host_process.hpp"

namespace hosttest {

class HttpConnection {
 public:
  // Connects to 127.0.0.1:`port` from `from` (any address of 127.0.0.0/8 is this machine's).
  explicit HttpConnection(int port, const std::string& from = "127.0.0.1",
                          std::chrono::milliseconds connectWait = std::chrono::seconds(5)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    // A server that accepts nothing leaves the connection in its listen queue, or (the queue
    // full) unanswered: the attempt ends after `connectWait`.
    const int flags = ::fcntl(fd_, F_GETFL);
    ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    bool made = ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                (::connect(fd_, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0 ||
                 errno == EINPROGRESS);
    if (made) {
      pollfd ready{fd_, POLLOUT, 0};
      int error = 0;
      socklen_t size = sizeof error;
      made = ::poll(&ready, 1, static_cast<int>(connectWait.count())) == 1 &&
             ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ::fcntl(fd_, F_SETFL, flags);
    if (!made) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~HttpConnection() {
    if (fd_ >= 0) ::close(fd_);
  }
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  bool connected() const { return fd_ >= 0; }

  // False once the server has closed or reset the connection.
  bool send(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
      const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return fd_ >= 0;
  }

  // What arrives within `wait`: until the server closes the connection, or (`untilClosed`
  // false) until a response's status line and headers are there.
  std::string receive(std::chrono::milliseconds wait, bool untilClosed = true) {
    const auto giveUp = std::chrono::steady_clock::now() + wait;
    while (fd_ >= 0 && !closed_) {
      if (!untilClosed && received_.find("\r\n\r\n") != std::string::npos) break;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          giveUp - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[16384];
      const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
      if (got <= 0) {
        closed_ = true;  // the end, or a reset
        break;
      }
      received_.append(buffer, static_cast<std::size_t>(got));
    }
    return received_;
  }

  // Whether the server closed (or reset) the connection within `wait`.
  bool closedWithin(std::chrono::milliseconds wait) {
    receive(wait);
    return closed_;
  }

 private:
  int fd_ = -1;
  bool closed_ = false;
  std::string received_;
};

struct HttpResponse {
  int status = 0;  // 0: no answer
  std::string head;
  std::string body;
};

inline HttpResponse parseResponse(const std::string& bytes) {
  HttpResponse response;
  const auto end = bytes.find("\r\n\r\n");
  if (bytes.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return response;
  response.status = std::stoi(bytes.substr(9, 3));
  response.head = bytes.substr(0, end);
  response.body = bytes.substr(end + 4);
  return response;
}

// One request on a connection of its own, closed after the answer; `headers` are whole lines
// without their ends.
inline HttpResponse httpRequest(int port, const std::string& method, const std::string& target,
                                const std::vector<std::string>& headers = {},
                                std::chrono::milliseconds wait = std::chrono::seconds(10),
                                const std::string& from = "127.0.0.1") {
  HttpConnection connection(port, from);
  std::string request = method + " " + target +
                        " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                        "\r\nConnection: close\r\n";
  for (const auto& header : headers) request += header + "\r\n";
  if (!connection.send(request + "\r\n")) return {};
  return parseResponse(connection.receive(wait));
}

inline HttpResponse httpGet(int port, const std::string& target,
                            const std::vector<std::string>& headers = {},
                            std::chrono::milliseconds wait = std::chrono::seconds(10)) {
  return httpRequest(port, "GET", target, headers, wait);
}

// The preview server's port, from the URL it prints first; nothing when it has not printed one
// within `wait` (or ended first).
inline std::optional<int> previewPort(const HostProcess& host,
                                      std::chrono::milliseconds wait = std::chrono::seconds(20)) {
  const auto giveUp = std::chrono::steady_clock::now() + wait;
  const std::string prefix = "http://127.0.0.1:";
  while (std::chrono::steady_clock::now() < giveUp && host.running()) {
    const std::string out = host.outSoFar();
    if (out.rfind(prefix, 0) == 0 && out.find('\n') != std::string::npos) {
      return std::stoi(out.substr(prefix.size()));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

}  // namespace hosttest
