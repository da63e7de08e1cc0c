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
          Bytes out = B::real(v.timeIntervalSinceReferenceDate);
          out[0] = 0x33;  // a date is a real under its own marker
          return out;
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

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return out;
}

std::string xmlDate(double seconds) {
  using namespace std::chrono;
  const double whole = std::floor(seconds);
  const sys_seconds at{std::chrono::seconds{static_cast<std::int64_t>(whole) + kUnixSecondsAt2001}};
  const year_month_day ymd{floor<days>(at)};
  const hh_mm_ss time{at - floor<days>(at)};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", int{ymd.year()},
                unsigned{ymd.month()}, unsigned{ymd.day()}, static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
  std::string out = text;
  std::snprintf(text, sizeof text, "%.6f", seconds - whole);  // "0.250000"
  std::string fraction = text + 1;
  while (!fraction.empty() && (fraction.back() == '0' || fraction.back() == '.'))
    fraction.pop_back();
  return out + fraction + "Z";
}

void appendXml(std::string& out, const PropertyListValue& value) {
  const auto element = [&](const std::string& tag, const std::string& text) {
    out += "<" + tag + ">" + text + "</" + tag + ">";
  };
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          out += v ? "<true/>" : "<false/>";
        } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
          element("integer", std::to_string(v));
        } else if constexpr (std::is_same_v<T, double>) {
          char text[32];
          std::snprintf(text, sizeof text, "%.17g", v);
          element("real", text);
        } else if constexpr (std::is_same_v<T, std::string>) {
          element("string", escaped(v));
        } else if constexpr (std::is_same_v<T, foundation::Date>) {
          element("date", xmlDate(v.timeIntervalSinceReferenceDate));
        } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
          throw std::invalid_argument("data is written in binary lists only");
        } else if constexpr (std::is_same_v<T, PropertyListValue::Array>) {
          out += "<array>";
          for (const auto& item : v) appendXml(out, item);
          out += "</array>";
        } else {
          out += "<dict>";
          for (const auto& [key, item] : v) element("key", escaped(key)), appendXml(out, item);
          out += "</dict>";
        }
      },
      value.value);
}

void appendTrailer(Bytes& out, std::uint8_t width, std::uint8_t refSize,
                   const B::Trailer& trailer) {
  out.insert(out.end(), 6, 0);
  out.push_back(width);
  out.push_back(refSize);
  B::appendBigEndian(out, trailer.numObjects, 8);
  B::appendBigEndian(out, trailer.top, 8);
  B::appendBigEndian(out, trailer.offsetTableOffset, 8);
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

Bytes BinaryPlistBuilder::build(const std::function<void(Bytes&, Trailer&)>& tamper) const {
  Bytes out = bytesOf("bplist00");
  std::vector<std::uint64_t> offsets;
  for (const auto& object : objects) {
    offsets.push_back(out.size());
    out.insert(out.end(), object.begin(), object.end());
  }
  Trailer trailer{objects.size(), top, out.size()};
  const std::uint8_t width = offsetSize != 0        ? offsetSize
                             : out.size() <= 0xFF   ? 1
                             : out.size() <= 0xFFFF ? 2
                                                    : 4;
  for (const auto offset : offsets) appendBigEndian(out, offset, width);
  if (tamper) tamper(out, trailer);
  appendTrailer(out, width, refSize, trailer);
  return out;
}

BinaryPlistStream::BinaryPlistStream() : bytes_(bytesOf("bplist00")) {}

Bytes BinaryPlistStream::finish(std::uint64_t top) && {
  const BinaryPlistBuilder::Trailer trailer{offsets_.size(), top, bytes_.size()};
  for (const auto offset : offsets_) BinaryPlistBuilder::appendBigEndian(bytes_, offset, 4);
  appendTrailer(bytes_, 4, 4, trailer);
  return std::move(bytes_);
}

}  // namespace support
