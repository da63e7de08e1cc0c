#include "foundation/string_table.hpp"

#include "foundation/unicode.hpp"

namespace foundation {
namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool atEnd() {
    skipSpaceAndComments();
    return pos_ >= text_.size();
  }

  // Reads one `"key" = "value";` pair. On failure the scanner stands after the next `;` (or at the
  // end), ready for the next pair.
  std::optional<std::pair<std::string, std::string>> pair() {
    auto key = quoted();
    bool ok = key.has_value() && expect('=');
    auto value = ok ? quoted() : std::nullopt;
    ok = ok && value.has_value() && expect(';');
    if (ok) return std::pair{std::move(*key), std::move(*value)};
    const auto semicolon = text_.find(';', pos_);
    pos_ = semicolon == std::string_view::npos ? text_.size() : semicolon + 1;
    return std::nullopt;
  }

 private:
  void skipSpaceAndComments() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "//") {
        const auto eol = text_.find('\n', pos_);
        pos_ = eol == std::string_view::npos ? text_.size() : eol + 1;
      } else if (text_.substr(pos_, 2) == "/*") {
        const auto close = text_.find("*/", pos_ + 2);
        pos_ = close == std::string_view::npos ? text_.size() : close + 2;
      } else {
        return;
      }
    }
  }

  bool expect(char c) {
    skipSpaceAndComments();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // Four hexadecimal digits at the position, taken.
  std::optional<char32_t> hexUnit() {
    if (pos_ + 4 > text_.size()) return std::nullopt;
    char32_t code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_++];
      code <<= 4;
      if (h >= '0' && h <= '9') {
        code |= static_cast<char32_t>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        code |= static_cast<char32_t>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        code |= static_cast<char32_t>(h - 'A' + 10);
      } else {
        return std::nullopt;
      }
    }
    return code;
  }

  std::optional<std::string> quoted() {
    if (!expect('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      const char e = text_[pos_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'u': {
          auto code = hexUnit();
          if (!code) return std::nullopt;
          // A pair of escaped surrogates is one character; a lone one becomes U+FFFD.
          if (isLeadSurrogate(*code) && text_.substr(pos_, 2) == "\\u") {
            const std::size_t before = pos_;
            pos_ += 2;
            const auto trail = hexUnit();
            const auto pair =
                trail ? surrogatePair(static_cast<char16_t>(*code), static_cast<char16_t>(*trail))
                      : std::nullopt;
            if (pair) {
              code = *pair;
            } else {
              pos_ = before;
            }
          }
          appendUtf8(out, *code);
          break;
        }
        default:  // \" \\ and any other escaped character stand for themselves
          out += e;
      }
    }
    return std::nullopt;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

StringTable StringTable::parse(std::string_view text) {
  // A byte-order mark is not part of the first key.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  StringTable table;
  Scanner scanner(text);
  while (!scanner.atEnd()) {
    if (auto pair = scanner.pair()) table.strings_.insert_or_assign(pair->first, pair->second);
  }
  return table;
}

std::optional<std::string> StringTable::lookup(std::string_view key) const {
  const auto it = strings_.find(key);
  if (it == strings_.end()) return std::nullopt;
  return it->second;
}

}  // namespace foundation
