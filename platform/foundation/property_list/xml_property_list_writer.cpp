#include "foundation/property_list/xml_property_list_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "foundation/property_list/iso8601_date_text.hpp"
#include "foundation/property_list/value_path.hpp"
#include "foundation/property_list/xml_property_list.hpp"
#include "foundation/shortest_decimal.hpp"
#include "foundation/unicode.hpp"

namespace foundation {
namespace {

using Array = PropertyListValue::Array;
using Dictionary = PropertyListValue::Dictionary;

constexpr std::string_view kPrologue =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

bool isXmlCharacter(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

std::string codePointName(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

void appendBase64(std::string& out, const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < size; i += 3) {
    const std::size_t left = size - i;
    const std::uint32_t bits = (std::uint32_t{bytes[i]} << 16) |
                               (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                               (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
    out += kDigits[(bits >> 18) & 0x3F];
    out += kDigits[(bits >> 12) & 0x3F];
    out += left > 1 ? kDigits[(bits >> 6) & 0x3F] : '=';
    out += left > 2 ? kDigits[bits & 0x3F] : '=';
  }
}

std::string realText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

class Writer {
 public:
  std::optional<UnwritableValue> append(const PropertyListValue& value, const ValuePath& path) {
    const auto indent = [&] { out_.append(static_cast<std::size_t>(path.depth), '\t'); };
    indent();
    if (const auto* array = std::get_if<Array>(&value.value)) {
      if (auto refused = checkNesting(path)) return refused;
      if (array->empty()) return line("<array/>");
      line("<array>");
      for (std::size_t i = 0; i < array->size(); ++i) {
        if (auto refused = append((*array)[i], path.inArrayAt(i))) return refused;
      }
      indent();
      return line("</array>");
    }
    if (const auto* dictionary = std::get_if<Dictionary>(&value.value)) {
      if (auto refused = checkNesting(path)) return refused;
      if (dictionary->empty()) return line("<dict/>");
      line("<dict>");
      for (const auto& [key, element] : *dictionary) {
        const ValuePath at = path.inDictionary(key);
        out_.append(static_cast<std::size_t>(at.depth), '\t');
        out_ += "<key>";
        if (auto refused = appendText(key, at)) {
          refused->why += " (in its key)";
          return refused;
        }
        line("</key>");
        if (auto refused = append(element, at)) return refused;
      }
      indent();
      return line("</dict>");
    }
    return std::visit(
        [&](const auto& v) -> std::optional<UnwritableValue> {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, bool>) {
            return line(v ? "<true/>" : "<false/>");
          } else if constexpr (std::is_same_v<T, std::int64_t> ||
                               std::is_same_v<T, std::uint64_t>) {
            return element("integer", std::to_string(v));
          } else if constexpr (std::is_same_v<T, double>) {
            return element("real", realText(v));
          } else if constexpr (std::is_same_v<T, Date>) {
            return appendDate(v.timeIntervalSinceReferenceDate, path);
          } else if constexpr (std::is_same_v<T, std::string>) {
            out_ += "<string>";
            if (auto refused = appendText(v, path)) return refused;
            return line("</string>");
          } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
            appendData(v, path.depth);
            return std::nullopt;
          } else {
            return std::nullopt;  // containers are written above
          }
        },
        value.value);
  }

  std::string take() && { return std::move(out_); }

 private:
  std::optional<UnwritableValue> line(std::string_view text) {
    out_ += text;
    out_ += '\n';
    return std::nullopt;
  }
  std::optional<UnwritableValue> element(std::string_view name, std::string_view text) {
    out_ += '<';
    out_ += name;
    out_ += '>';
    out_ += text;
    out_ += "</";
    out_ += name;
    return line(">");
  }

  std::optional<UnwritableValue> appendDate(double seconds, const ValuePath& path) {
    const auto text = iso8601DateText(seconds);
    const bool whole = std::floor(seconds) == seconds;
    if (text && whole) return element("date", *text);
    const std::string shown = text ? *text : shortestDecimal(seconds) + " seconds from 2001-01-01";
    const bool between = std::isfinite(seconds) && !whole;
    return UnwritableValue{path.describe() + ": a date (" + shown + ") " +
                           (between ? "between whole seconds, which an XML property list holds "
                                      "only to the second"
                                    : "that an XML property list cannot hold")};
  }

  static std::optional<UnwritableValue> checkNesting(const ValuePath& path) {
    if (path.depth + 1 <= xml_property_list::kMaxNesting) return std::nullopt;
    return UnwritableValue{path.describe() + ": containers nested deeper than " +
                           std::to_string(xml_property_list::kMaxNesting) + " levels"};
  }

  // Character data, escaped where a reader would otherwise change it.
  std::optional<UnwritableValue> appendText(std::string_view text, const ValuePath& path) {
    for (std::size_t at = 0; at < text.size();) {
      const Utf8Step step = decodeUtf8(text, at);
      if (!step.valid) return UnwritableValue{path.describe() + ": a string that is not UTF-8"};
      if (!isXmlCharacter(step.codePoint)) {
        return UnwritableValue{path.describe() + ": a string with " +
                               codePointName(step.codePoint) +
                               ", which an XML property list cannot hold"};
      }
      switch (step.codePoint) {
        case '&':
          out_ += "&amp;";
          break;
        case '<':
          out_ += "&lt;";
          break;
        case '>':
          out_ += "&gt;";
          break;
        case '\r':
          out_ += "&#13;";
          break;
        default:
          out_.append(text.substr(at, step.length));
      }
      at += step.length;
    }
    return std::nullopt;
  }

  // Base64 lines at the element's own indent, as wide as keeps a line within 76 columns with a
  // tab counted as 8, and never narrower than 16.
  void appendData(const PropertyListValue::Data& data, int depth) {
    const int width = std::max(16, 76 - 8 * depth);
    const auto perLine = static_cast<std::size_t>(width / 4 * 3);
    out_ += "<data>\n";
    for (std::size_t at = 0; at < data.size(); at += perLine) {
      out_.append(static_cast<std::size_t>(depth), '\t');
      appendBase64(out_, data.data() + at, std::min(perLine, data.size() - at));
      out_ += '\n';
    }
    out_.append(static_cast<std::size_t>(depth), '\t');
    out_ += "</data>\n";
  }

  std::string out_;
};

}  // namespace

WrittenPropertyList writeXmlPropertyList(const PropertyListValue& top) {
  Writer writer;
  if (auto refused = writer.append(top, ValuePath{})) return *std::move(refused);
  std::string body = std::move(writer).take();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kPrologue.size() + body.size() + 9);
  bytes.insert(bytes.end(), kPrologue.begin(), kPrologue.end());
  bytes.insert(bytes.end(), body.begin(), body.end());
  constexpr std::string_view kEnd = "</plist>\n";
  bytes.insert(bytes.end(), kEnd.begin(), kEnd.end());
  return bytes;
}

}  // namespace foundation
