#include "foundation/property_list/binary_property_list_writer.hpp"

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "foundation/property_list/binary_property_list.hpp"
#include "foundation/property_list/value_path.hpp"
#include "foundation/unicode.hpp"

namespace foundation {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Array = PropertyListValue::Array;
using Dictionary = PropertyListValue::Dictionary;

void appendBigEndian(Bytes& out, std::uint64_t value, unsigned size) {
  for (unsigned i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The narrowest of 1, 2, 4 and 8 bytes that holds `value`.
unsigned widthOf(std::uint64_t value) {
  if (value <= 0xFF) return 1;
  if (value <= 0xFFFF) return 2;
  if (value <= 0xFFFFFFFF) return 4;
  return 8;
}

// A marker's type nibble with its count: inline below 15, else an integer object after it.
void appendHeader(Bytes& out, std::uint8_t type, std::uint64_t count) {
  if (count < 15) {
    out.push_back(static_cast<std::uint8_t>((type << 4) | count));
    return;
  }
  out.push_back(static_cast<std::uint8_t>((type << 4) | 0x0F));
  const unsigned width = widthOf(count);
  out.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(width)));
  appendBigEndian(out, count, width);
}

// The UTF-16 code units of well-formed UTF-8; nothing when it is not.
std::optional<std::u16string> utf16Of(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Step step = decodeUtf8(text, at);
    if (!step.valid) return std::nullopt;
    if (step.codePoint >= 0x10000) {
      const char32_t offset = step.codePoint - 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(step.codePoint));
    }
    at += step.length;
  }
  return units;
}

bool isAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

class Writer {
 public:
  // Counts the objects a value makes (a dictionary's keys among them) and checks what the
  // format cannot hold. Recursion stops one level past the reader's nesting limit.
  std::optional<UnwritableValue> survey(const PropertyListValue& value, const ValuePath& path) {
    ++objectCount_;
    if (const auto* text = std::get_if<std::string>(&value.value)) return surveyString(*text, path);
    const bool container = std::holds_alternative<Array>(value.value) ||
                           std::holds_alternative<Dictionary>(value.value);
    if (container && path.depth + 1 > BinaryPropertyList::kMaxNesting) {
      return UnwritableValue{path.describe() + ": containers nested deeper than " +
                             std::to_string(BinaryPropertyList::kMaxNesting) + " levels"};
    }
    if (const auto* array = std::get_if<Array>(&value.value)) {
      for (std::size_t i = 0; i < array->size(); ++i) {
        if (auto refused = survey((*array)[i], path.inArrayAt(i))) return refused;
      }
    } else if (const auto* dictionary = std::get_if<Dictionary>(&value.value)) {
      for (const auto& [key, element] : *dictionary) {
        const ValuePath at = path.inDictionary(key);
        ++objectCount_;
        if (auto refused = surveyString(key, at)) {
          refused->why += " (in its key)";
          return refused;
        }
        if (auto refused = survey(element, at)) return refused;
      }
    }
    return std::nullopt;
  }

  Bytes write(const PropertyListValue& top) {
    // References count objects from 0, so n objects need n - 1 to fit: 256 fit one byte.
    refSize_ = objectCount_ <= 1 ? 1 : widthOf(objectCount_ - 1);
    out_.assign({'b', 'p', 'l', 'i', 's', 't', '0', '0'});
    offsets_.reserve(objectCount_);
    const std::uint64_t topRef = add(top);

    const std::uint64_t tableOffset = out_.size();
    std::uint64_t largest = 0;
    for (const std::uint64_t offset : offsets_) largest = std::max(largest, offset);
    const unsigned offsetSize = widthOf(largest);
    for (const std::uint64_t offset : offsets_) appendBigEndian(out_, offset, offsetSize);
    out_.insert(out_.end(), 6, 0);
    out_.push_back(static_cast<std::uint8_t>(offsetSize));
    out_.push_back(static_cast<std::uint8_t>(refSize_));
    appendBigEndian(out_, offsets_.size(), 8);
    appendBigEndian(out_, topRef, 8);
    appendBigEndian(out_, tableOffset, 8);
    return std::move(out_);
  }

 private:
  std::optional<UnwritableValue> surveyString(std::string_view text, const ValuePath& path) {
    if (isAscii(text) || utf16Of(text)) return std::nullopt;
    return UnwritableValue{path.describe() + ": a string that is not UTF-8"};
  }

  // Starts the next object; returns its reference.
  std::uint64_t begin() {
    offsets_.push_back(out_.size());
    return offsets_.size() - 1;
  }

  std::uint64_t addString(std::string_view text) {
    const std::uint64_t ref = begin();
    if (isAscii(text)) {
      appendHeader(out_, 0x5, text.size());
      out_.insert(out_.end(), text.begin(), text.end());
      return ref;
    }
    const std::u16string units = *utf16Of(text);  // surveyed
    appendHeader(out_, 0x6, units.size());
    for (const char16_t unit : units) appendBigEndian(out_, unit, 2);
    return ref;
  }

  void appendInteger(std::uint64_t magnitude) {
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      out_.push_back(0x14);  // 16 bytes, the high half zero: read as unsigned
      appendBigEndian(out_, 0, 8);
      appendBigEndian(out_, magnitude, 8);
      return;
    }
    // 1, 2 and 4 bytes are read as unsigned, 8 as signed.
    const unsigned width = widthOf(magnitude);
    out_.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(width)));
    appendBigEndian(out_, magnitude, width);
  }

  // Writes a surveyed value, its children first; returns its reference.
  std::uint64_t add(const PropertyListValue& value) {
    if (const auto* text = std::get_if<std::string>(&value.value)) return addString(*text);
    std::vector<std::uint64_t> refs;
    if (const auto* array = std::get_if<Array>(&value.value)) {
      refs.reserve(array->size());
      for (const auto& element : *array) refs.push_back(add(element));
    } else if (const auto* dictionary = std::get_if<Dictionary>(&value.value)) {
      // Its keys' references first, then its values'.
      refs.resize(2 * dictionary->size());
      for (std::size_t i = 0; i < dictionary->size(); ++i) {
        refs[i] = addString((*dictionary)[i].first);
        refs[dictionary->size() + i] = add((*dictionary)[i].second);
      }
    }
    const std::uint64_t ref = begin();
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, bool>) {
            out_.push_back(v ? 0x09 : 0x08);
          } else if constexpr (std::is_same_v<T, std::int64_t>) {
            if (v < 0) {
              out_.push_back(0x13);
              appendBigEndian(out_, static_cast<std::uint64_t>(v), 8);
            } else {
              appendInteger(static_cast<std::uint64_t>(v));
            }
          } else if constexpr (std::is_same_v<T, std::uint64_t>) {
            appendInteger(v);
          } else if constexpr (std::is_same_v<T, double>) {
            out_.push_back(0x23);
            appendBigEndian(out_, std::bit_cast<std::uint64_t>(v), 8);
          } else if constexpr (std::is_same_v<T, Date>) {
            out_.push_back(0x33);
            appendBigEndian(out_, std::bit_cast<std::uint64_t>(v.timeIntervalSinceReferenceDate),
                            8);
          } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
            appendHeader(out_, 0x4, v.size());
            out_.insert(out_.end(), v.begin(), v.end());
          } else if constexpr (std::is_same_v<T, Array>) {
            appendHeader(out_, 0xA, v.size());
            for (const std::uint64_t child : refs) appendBigEndian(out_, child, refSize_);
          } else if constexpr (std::is_same_v<T, Dictionary>) {
            appendHeader(out_, 0xD, v.size());
            for (const std::uint64_t child : refs) appendBigEndian(out_, child, refSize_);
          }
        },
        value.value);
    return ref;
  }

  std::uint64_t objectCount_ = 0;
  unsigned refSize_ = 1;
  Bytes out_;
  std::vector<std::uint64_t> offsets_;
};

}  // namespace

WrittenPropertyList writeBinaryPropertyList(const PropertyListValue& top) {
  Writer writer;
  if (auto refused = writer.survey(top, ValuePath{})) return *std::move(refused);
  return writer.write(top);
}

}  // namespace foundation
