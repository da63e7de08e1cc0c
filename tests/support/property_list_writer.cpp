#include "support/property_list_writer.hpp"

#include <unicode/unistr.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace support {
namespace {

using foundation::PropertyListValue;
using B = BinaryPlistBuilder;

constexpr std::int64_t kUnixSecondsAt2001 = 978307200;

std::size_t objectCount(const PropertyListValue& value) {
  std::size_t count = 1;
  if (const auto* array = std::get_if<PropertyListValue::Array>(&value.value)) {
    for (const auto& element : *array) count += objectCount(element);
  } else if (const auto* dict = std::get_if<PropertyListValue::Dictionary>(&value.value)) {
    for (const auto& [key, element] : *dict) count += 1 + objectCount(element);
  }
  return count;
}

Bytes binaryString(const std::string& text) {
  bool ascii = true;
  for (const unsigned char c : text) ascii = ascii && c < 0x80;
  if (ascii) return B::ascii(text);
  const auto utf16 = icu::UnicodeString::fromUTF8(text);
  Bytes out = B::header(0x6, static_cast<std::uint64_t>(utf16.length()));
  for (int i = 0; i < utf16.length(); ++i) B::appendBigEndian(out, utf16.charAt(i), 2);
  return out;
}

Bytes binaryUnsigned(std::uint64_t value) {
  if (value > std::uint64_t{INT64_MAX}) {
    Bytes out{0x14};
    B::appendBigEndian(out, 0, 8);
    B::appendBigEndian(out, value, 8);
    return out;
  }
  const unsigned width = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFFFF ? 4 : 8;
  Bytes out{static_cast<std::uint8_t>(0x10 | std::countr_zero(width))};
  B::appendBigEndian(out, value, width);
  return out;
}

// Adds `value` and everything in it; returns its reference.
std::uint64_t addBinary(B& builder, const PropertyListValue& value) {
  const auto slot = builder.add({});
  Bytes encoded = std::visit(
      [&](const auto& v) -> Bytes {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return {static_cast<std::uint8_t>(v ? 0x09 : 0x08)};
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return v < 0 ? B::integer(v) : binaryUnsigned(static_cast<std::uint64_t>(v));
        } else if constexpr (std::is_same_v<T, std::uint64_t>) {
          return binaryUnsigned(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return B::real(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return binaryString(v);
        } else if constexpr (std::is_same_v<T, foundation::Date>) {
          return B::date(v.timeIntervalSinceReferenceDate);
        } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
          Bytes out = B::header(0x4, v.size());
          out.insert(out.end(), v.begin(), v.end());
          return out;
        } else if constexpr (std::is_same_v<T, PropertyListValue::Array>) {
          std::vector<std::uint64_t> refs;
          for (const auto& element : v) refs.push_back(addBinary(builder, element));
          return builder.array(refs);
        } else {
          std::vector<std::uint64_t> keys, values;
          for (const auto& [key, element] : v) {
            keys.push_back(builder.add(binaryString(key)));
            values.push_back(addBinary(builder, element));
          }
          return builder.dictionary(keys, values);
        }
      },
      value.value);
  builder.objects[slot] = std::move(encoded);
  return slot;
}

void appendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
}

std::string xmlDate(double seconds) {
  using namespace std::chrono;
  const double whole = std::floor(seconds);
  const sys_seconds at{std::chrono::seconds{static_cast<std::int64_t>(whole) + kUnixSecondsAt2001}};
  const auto day = floor<days>(at);
  const year_month_day ymd{day};
  const hh_mm_ss time{at - day};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", int{ymd.year()},
                unsigned{ymd.month()}, unsigned{ymd.day()}, static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
  std::string out = text;
  if (seconds != whole) {
    std::snprintf(text, sizeof text, "%.6f", seconds - whole);
    std::string fraction = text + 1;  // ".250000"
    while (fraction.back() == '0') fraction.pop_back();
    out += fraction;
  }
  return out + "Z";
}

void appendXml(std::string& out, const PropertyListValue& value) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        char number[64];
        if constexpr (std::is_same_v<T, bool>) {
          out += v ? "<true/>" : "<false/>";
        } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
          out += "<integer>" + std::to_string(v) + "</integer>";
        } else if constexpr (std::is_same_v<T, double>) {
          if (std::isnan(v)) {
            out += "<real>nan</real>";
          } else if (std::isinf(v)) {
            out += v > 0 ? "<real>+infinity</real>" : "<real>-infinity</real>";
          } else {
            std::snprintf(number, sizeof number, "%.17g", v);
            out += std::string("<real>") + number + "</real>";
          }
        } else if constexpr (std::is_same_v<T, std::string>) {
          out += "<string>";
          appendEscaped(out, v);
          out += "</string>";
        } else if constexpr (std::is_same_v<T, foundation::Date>) {
          out += "<date>" + xmlDate(v.timeIntervalSinceReferenceDate) + "</date>";
        } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
          static constexpr char kAlphabet[] =
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
          out += "<data>";
          for (std::size_t i = 0; i < v.size(); i += 3) {
            const std::uint32_t n = (std::uint32_t{v[i]} << 16) |
                                    (i + 1 < v.size() ? std::uint32_t{v[i + 1]} << 8 : 0) |
                                    (i + 2 < v.size() ? v[i + 2] : 0);
            for (std::size_t k = 0; k < 4; ++k) {
              out += k <= v.size() - i ? kAlphabet[(n >> (18 - 6 * k)) & 0x3F] : '=';
            }
          }
          out += "</data>";
        } else if constexpr (std::is_same_v<T, PropertyListValue::Array>) {
          out += "<array>";
          for (const auto& element : v) appendXml(out, element);
          out += "</array>";
        } else {
          out += "<dict>";
          for (const auto& [key, element] : v) {
            out += "<key>";
            appendEscaped(out, key);
            out += "</key>";
            appendXml(out, element);
          }
          out += "</dict>";
        }
      },
      value.value);
}

}  // namespace

const char* toString(PlistFormat format) {
  return format == PlistFormat::binary ? "binary" : "xml";
}

Bytes writePlist(PlistFormat format, const PropertyListValue& value) {
  if (format == PlistFormat::xml) {
    std::string body;
    appendXml(body, value);
    return bytesOf(xmlPlistDocument(body));
  }
  BinaryPlistBuilder builder;
  const std::size_t count = objectCount(value);
  builder.refSize = count <= 0xFF ? 1 : count <= 0xFFFF ? 2 : 4;
  builder.top = addBinary(builder, value);
  return builder.build();
}

std::string xmlPlistDocument(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + std::string(body) +
         "</plist>\n";
}

void BinaryPlistBuilder::appendBigEndian(Bytes& out, std::uint64_t value, unsigned size) {
  for (unsigned i = size; i-- > 0;) {
    out.push_back(static_cast<std::uint8_t>(i < 8 ? value >> (8 * i) : 0));
  }
}

Bytes BinaryPlistBuilder::header(std::uint8_t type, std::uint64_t count) {
  if (count < 15) return {static_cast<std::uint8_t>((type << 4) | count)};
  Bytes out{static_cast<std::uint8_t>((type << 4) | 0x0F), 0x13};
  appendBigEndian(out, count, 8);
  return out;
}

Bytes BinaryPlistBuilder::ascii(std::string_view text) {
  Bytes out = header(0x5, text.size());
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

Bytes BinaryPlistBuilder::integer(std::int64_t value) {
  Bytes out{0x13};
  appendBigEndian(out, static_cast<std::uint64_t>(value), 8);
  return out;
}

Bytes BinaryPlistBuilder::real(double value) {
  Bytes out{0x23};
  appendBigEndian(out, std::bit_cast<std::uint64_t>(value), 8);
  return out;
}

Bytes BinaryPlistBuilder::date(double secondsSince2001) {
  Bytes out{0x33};
  appendBigEndian(out, std::bit_cast<std::uint64_t>(secondsSince2001), 8);
  return out;
}

Bytes BinaryPlistBuilder::array(const std::vector<std::uint64_t>& refs) const {
  Bytes out = header(0xA, refs.size());
  for (const auto ref : refs) appendBigEndian(out, ref, refSize);
  return out;
}

Bytes BinaryPlistBuilder::dictionary(const std::vector<std::uint64_t>& keys,
                                     const std::vector<std::uint64_t>& values) const {
  Bytes out = header(0xD, keys.size());
  for (const auto ref : keys) appendBigEndian(out, ref, refSize);
  for (const auto ref : values) appendBigEndian(out, ref, refSize);
  return out;
}

Bytes BinaryPlistBuilder::layOut(Trailer& trailer) const {
  Bytes out = bytesOf("bplist00");
  for (const auto& object : objects) out.insert(out.end(), object.begin(), object.end());
  trailer = Trailer{objects.size(), top, out.size()};
  return out;
}

std::vector<std::uint64_t> BinaryPlistBuilder::offsets() const {
  std::vector<std::uint64_t> result;
  std::uint64_t at = 8;
  for (const auto& object : objects) {
    result.push_back(at);
    at += object.size();
  }
  return result;
}

std::uint8_t BinaryPlistBuilder::offsetWidth(std::size_t tableOffset) const {
  if (offsetSize != 0) return offsetSize;
  return tableOffset <= 0xFF ? 1 : tableOffset <= 0xFFFF ? 2 : 4;
}

void BinaryPlistBuilder::appendTrailer(Bytes& out, std::uint8_t width,
                                       const Trailer& trailer) const {
  out.insert(out.end(), 6, 0);
  out.push_back(width);
  out.push_back(refSize);
  appendBigEndian(out, trailer.numObjects, 8);
  appendBigEndian(out, trailer.top, 8);
  appendBigEndian(out, trailer.offsetTableOffset, 8);
}

BinaryPlistStream::BinaryPlistStream() : bytes_(bytesOf("bplist00")) {}

std::uint32_t BinaryPlistStream::begin() {
  offsets_.push_back(bytes_.size());
  return static_cast<std::uint32_t>(offsets_.size() - 1);
}

Bytes BinaryPlistStream::finish(std::uint64_t top) && {
  const std::uint64_t table = bytes_.size();
  for (const auto offset : offsets_) BinaryPlistBuilder::appendBigEndian(bytes_, offset, 4);
  bytes_.insert(bytes_.end(), 6, 0);
  bytes_.push_back(4);
  bytes_.push_back(4);
  BinaryPlistBuilder::appendBigEndian(bytes_, offsets_.size(), 8);
  BinaryPlistBuilder::appendBigEndian(bytes_, top, 8);
  BinaryPlistBuilder::appendBigEndian(bytes_, table, 8);
  return std::move(bytes_);
}

}  // namespace support
