#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// An absolute URL, parsed into its parts. `URL::string(s)` yields nothing where `s` is not a
// valid RFC 3986 URI with a scheme (relative references, spaces, empty text, broken escapes).
//
// The parts are the text as written, percent escapes and case kept; `absoluteString` is the input
// byte for byte. "pocketta://add-income" has scheme "pocketta", host "add-income", an empty path
// and neither query nor fragment. A URL without an authority ("mailto:a@b") has no host; one
// with an empty authority ("file:///etc") has an empty host. An IP literal's host is without its
// square brackets. An empty query or fragment ("x://a?#") is present and empty.
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
