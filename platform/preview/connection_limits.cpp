#include "preview/connection_limits.hpp"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>

namespace preview {

std::string clientOf(std::string_view address) {
  const std::string text(address);
  unsigned char bytes[16];
  if (inet_pton(AF_INET6, text.c_str(), bytes) != 1) return text;
  char out[INET6_ADDRSTRLEN];
  static constexpr unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  if (std::equal(bytes, bytes + 12, kMappedPrefix)) {
    return inet_ntop(AF_INET, bytes + 12, out, sizeof out) ? std::string(out) : text;
  }
  std::fill(bytes + 8, bytes + 16, 0);
  return inet_ntop(AF_INET6, bytes, out, sizeof out) ? std::string(out) + "/64" : text;
}

ConnectionLimits::Admission ConnectionLimits::admit(int socket, const std::string& address,
                                                    int port) {
  const std::string client = clientOf(address);
  const std::lock_guard lock(mutex_);
  if (stopping_) return Admission::stopping;
  if (open_.size() >= total_) return Admission::tooManyInAll;
  std::size_t& fromClient = perClientOpen_[client];
  if (fromClient >= perClient_) {
    if (fromClient == 0) perClientOpen_.erase(client);
    return Admission::tooManyFromClient;
  }
  ++fromClient;
  open_[socket] = Connection{client, address, port, false};
  return Admission::admitted;
}

void ConnectionLimits::release(int socket) {
  const std::lock_guard lock(mutex_);
  const auto found = open_.find(socket);
  if (found == open_.end()) return;
  const auto client = perClientOpen_.find(found->second.client);
  if (client != perClientOpen_.end() && --client->second == 0) perClientOpen_.erase(client);
  open_.erase(found);
}

void ConnectionLimits::closeAfterAnswer(const std::string& address, int port) {
  const std::lock_guard lock(mutex_);
  for (auto& [socket, connection] : open_) {
    if (connection.address == address && connection.port == port) {
      connection.closeAfterAnswer = true;
    }
  }
}

bool ConnectionLimits::closingAfterAnswer(int socket) const {
  const std::lock_guard lock(mutex_);
  const auto found = open_.find(socket);
  return found != open_.end() && found->second.closeAfterAnswer;
}

void ConnectionLimits::shutDownAll() {
  const std::lock_guard lock(mutex_);
  stopping_ = true;
  // Every socket here is still open: its connection closes it only after release().
  for (const auto& [socket, connection] : open_) shutdown(socket, SHUT_RDWR);
}

}  // namespace preview
