#include "foundation/url.hpp"

#include <uriparser/Uri.h>

namespace foundation {
namespace {

// Frees what uriparser allocated for one parse, whichever way the parse ends.
class ParsedUri {
 public:
  ParsedUri() = default;
  ParsedUri(const ParsedUri&) = delete;
  ParsedUri& operator=(const ParsedUri&) = delete;
  ~ParsedUri() { uriFreeUriMembersA(&uri_); }
  UriUriA* get() { return &uri_; }

 private:
  UriUriA uri_{};
};

std::string text(const UriTextRangeA& range) {
  if (range.first == nullptr || range.afterLast == nullptr) return {};
  return std::string(range.first, range.afterLast);
}

}  // namespace

std::optional<URL> URL::string(std::string_view input) {
  if (input.empty()) return std::nullopt;
  ParsedUri parsed;
  const char* errorPosition = nullptr;
  // The whole input must be one RFC 3986 reference: a space, a stray "%" or an embedded NUL
  // anywhere rejects it, not just what comes before.
  if (uriParseSingleUriExA(parsed.get(), input.data(), input.data() + input.size(),
                           &errorPosition) != URI_SUCCESS) {
    return std::nullopt;
  }
  const UriUriA& uri = *parsed.get();
  if (uri.scheme.first == nullptr) return std::nullopt;  // relative reference

  URL url;
  url.absoluteString_ = std::string(input);
  url.scheme_ = text(uri.scheme);
  if (uri.hostText.first != nullptr) url.host_ = text(uri.hostText);

  // The path, query and fragment split as RFC 3986 (appendix B) splits a valid reference; the
  // parse above has already vouched for every character.
  std::string_view rest = input.substr(url.scheme_.size() + 1);
  if (rest.starts_with("//")) {
    const auto authorityEnd = rest.find_first_of("/?#", 2);
    rest = authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);
  }
  if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
    url.fragment_ = std::string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (const auto question = rest.find('?'); question != std::string_view::npos) {
    url.query_ = std::string(rest.substr(question + 1));
    rest = rest.substr(0, question);
  }
  url.path_ = std::string(rest);
  return url;
}

}  // namespace foundation
