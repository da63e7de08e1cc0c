#include "support/property_list_writer.hpp"

#include <bit>
#include <stdexcept>

#include "foundation/property_list/binary_property_list_writer.hpp"
#include "foundation/property_list/xml_property_list_writer.hpp"

namespace support {
namespace {

using B = BinaryPlistBuilder;

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

Bytes writePlist(PlistFormat format, const foundation::PropertyListValue& value) {
  auto written = format == PlistFormat::binary ? foundation::writeBinaryPropertyList(value)
                                               : foundation::writeXmlPropertyList(value);
  if (auto* refused = std::get_if<foundation::UnwritableValue>(&written)) {
    throw std::invalid_argument(refused->why);
  }
  return std::get<Bytes>(std::move(written));
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
