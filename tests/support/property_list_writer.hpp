#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/property_list_value.hpp"

// Property lists written for tests, benchmarks and fuzz seeds: whole values in either format by
// the store's own writers, and binary files laid out object by object, open to any damage.
namespace support {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

enum class PlistFormat : std::uint8_t { binary, xml };
inline constexpr PlistFormat kPlistFormats[] = {PlistFormat::binary, PlistFormat::xml};
const char* toString(PlistFormat format);

// A value as writeBinaryPropertyList or writeXmlPropertyList writes it; throws
// std::invalid_argument with the writer's reason when it refuses the value.
Bytes writePlist(PlistFormat format, const foundation::PropertyListValue& value);

// `body` (the top object's element) in an XML declaration and a <plist> element.
std::string xmlPlistDocument(std::string_view body);

// A binary property list from raw object encodings: offset table, trailer and all, with every
// trailer field open to tampering.
struct BinaryPlistBuilder {
  std::vector<Bytes> objects;
  std::uint8_t refSize = 1;
  std::uint8_t offsetSize = 0;  // 0: the narrowest that holds every offset
  std::uint64_t top = 0;

  std::uint64_t add(Bytes object) {
    objects.push_back(std::move(object));
    return objects.size() - 1;
  }

  static void appendBigEndian(Bytes& out, std::uint64_t value, unsigned size);
  // A marker with its count, written inline or as a following integer.
  static Bytes header(std::uint8_t type, std::uint64_t count);
  static Bytes ascii(std::string_view text);
  static Bytes integer(std::int64_t value);  // eight bytes, as any width is read
  static Bytes real(double value);
  Bytes array(const std::vector<std::uint64_t>& refs) const;
  Bytes dictionary(const std::vector<std::uint64_t>& keys,
                   const std::vector<std::uint64_t>& values) const;

  struct Trailer {
    std::uint64_t numObjects, top, offsetTableOffset;
  };

  // `tamper` may rewrite the object area, the offset table and the trailer fields.
  Bytes build(const std::function<void(Bytes&, Trailer&)>& tamper = {}) const;
};

// A binary property list written as it is generated, for files too large to hold as a list of
// objects: objects go in reference order, with 4-byte references and offsets.
class BinaryPlistStream {
 public:
  BinaryPlistStream();
  // Appends the next object and returns its reference.
  std::uint32_t add(const Bytes& encoded) {
    offsets_.push_back(bytes_.size());
    bytes_.insert(bytes_.end(), encoded.begin(), encoded.end());
    return static_cast<std::uint32_t>(offsets_.size() - 1);
  }
  void appendRef(std::uint64_t ref) { BinaryPlistBuilder::appendBigEndian(bytes_, ref, 4); }
  Bytes finish(std::uint64_t top = 0) &&;

 private:
  Bytes bytes_;
  std::vector<std::uint64_t> offsets_;
};

}  // namespace support
