#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// An absolute URL, parsed into its parts. `URL::string(s)` yields nothing where `s` is not a
// valid absolute URL.
class URL {
 public:
  static std::optional<URL> string(std::string_view text);

  const std::string& absoluteString() const { return absoluteString_; }
  const std::string& scheme() const { return scheme_; }
  const std::optional<std::string>& host() const { return host_; }
  const std::string& path() const { return path_; }
  const std::optional<std::string>& query() const { return query_; }
  const std::optional<std::string>& fragment() const { return fragment_; }

  friend bool operator==(const URL&, const URL&) = default;

 private:
  URL() = default;
  std::string absoluteString_;
  std::string scheme_;
  std::optional<std::string> host_;
  std::string path_;
  std::optional<std::string> query_;
  std::optional<std::string> fragment_;
};

}  // namespace foundation
