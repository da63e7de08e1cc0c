#include "foundation/property_list/binary_property_list.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/precondition.hpp"
#include "foundation/property_list/dictionary_insert.hpp"
#include "foundation/unicode.hpp"

namespace foundation {
namespace {

using Bytes = std::span<const std::uint8_t>;
using Trailer = BinaryPropertyList::Trailer;

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;

enum class Kind : std::uint8_t {
  boolean,
  integer,
  real,
  date,
  data,
  asciiString,
  utf16String,
  array,
  dictionary,
};

// One object's marker, decoded and bounds-checked. `payload` is where its contents start;
// `count` is the byte size of a number, the units of a string or data, the entries of a
// container. Every byte it describes lies before the offset table.
struct Object {
  Kind kind = Kind::boolean;
  bool flag = false;  // the value of a boolean
  std::uint64_t payload = 0;
  std::uint64_t count = 0;

  bool isContainer() const { return kind == Kind::array || kind == Kind::dictionary; }
  bool isString() const { return kind == Kind::asciiString || kind == Kind::utf16String; }
};

// Callers check `pos + size <= bytes.size()` first.
std::uint64_t readBigEndian(Bytes bytes, std::uint64_t pos, unsigned size) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < size; ++i) value = (value << 8) | bytes[pos + i];
  return value;
}

// Reads objects of a file whose trailer has been checked. Offsets are plain integers until
// they are known to lie inside the file; no pointer is formed from an unchecked one.
class Reader {
 public:
  // The trailer is one read from these bytes: its table and the trailer itself lie within them.
  Reader(Bytes bytes, const Trailer& trailer) : bytes_(bytes), trailer_(trailer) {
    FOUNDATION_PRECONDITION(bytes.size() >= trailer.offsetTableOffset +
                                                trailer.numObjects * trailer.offsetIntSize +
                                                kTrailerSize,
                            "a binary property list is read with the bytes it was validated on");
  }

  std::optional<Object> object(std::uint64_t ref) const {
    if (ref >= trailer_.numObjects) return std::nullopt;
    const std::uint64_t entry = trailer_.offsetTableOffset + ref * trailer_.offsetIntSize;
    const std::uint64_t offset = readBigEndian(bytes_, entry, trailer_.offsetIntSize);
    const std::uint64_t end = trailer_.offsetTableOffset;
    if (offset < kHeaderSize || offset >= end) return std::nullopt;

    const std::uint8_t marker = bytes_[offset];
    const unsigned info = marker & 0x0Fu;
    std::uint64_t pos = offset + 1;
    Object object;
    auto fixed = [&](Kind kind, std::uint64_t size) -> std::optional<Object> {
      if (size > end - pos) return std::nullopt;
      return Object{kind, false, pos, size};
    };
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08 || marker == 0x09) return Object{Kind::boolean, marker == 0x09, pos, 0};
        return std::nullopt;
      case 0x1:
        if (info > 4) return std::nullopt;
        return fixed(Kind::integer, std::uint64_t{1} << info);
      case 0x2:
        if (info != 2 && info != 3) return std::nullopt;
        return fixed(Kind::real, std::uint64_t{1} << info);
      case 0x3:
        if (info != 3) return std::nullopt;
        return fixed(Kind::date, 8);
      case 0x4:
        object.kind = Kind::data;
        break;
      case 0x5:
        object.kind = Kind::asciiString;
        break;
      case 0x6:
        object.kind = Kind::utf16String;
        break;
      case 0xA:
        object.kind = Kind::array;
        break;
      case 0xD:
        object.kind = Kind::dictionary;
        break;
      default:
        return std::nullopt;
    }

    std::uint64_t count = info;
    if (info == 0x0F) {
      // The count follows as an integer object of 1, 2, 4 or 8 bytes.
      if (pos >= end) return std::nullopt;
      const std::uint8_t countMarker = bytes_[pos];
      if ((countMarker >> 4) != 0x1 || (countMarker & 0x0Fu) > 3) return std::nullopt;
      const unsigned size = 1u << (countMarker & 0x0Fu);
      if (size > end - pos - 1) return std::nullopt;
      count = readBigEndian(bytes_, pos + 1, size);
      pos += 1 + size;
    }
    std::uint64_t unit = 1;
    if (object.kind == Kind::utf16String) unit = 2;
    if (object.kind == Kind::array) unit = trailer_.objectRefSize;
    if (object.kind == Kind::dictionary) unit = 2u * trailer_.objectRefSize;
    // Division, not multiplication: a count of 2^60 must not wrap into something small.
    if (count > (end - pos) / unit) return std::nullopt;
    object.payload = pos;
    object.count = count;
    return object;
  }

  // The index-th reference of a container; a dictionary holds its key references first,
  // then its value references.
  std::uint64_t childRef(const Object& container, std::uint64_t index) const {
    return readBigEndian(bytes_, container.payload + index * trailer_.objectRefSize,
                         trailer_.objectRefSize);
  }
  std::uint64_t childCount(const Object& container) const {
    return container.kind == Kind::dictionary ? 2 * container.count : container.count;
  }

  bool scalarIsValid(const Object& object) const {
    switch (object.kind) {
      case Kind::integer:
        return true;
      case Kind::asciiString:
        for (std::uint64_t i = 0; i < object.count; ++i) {
          if (bytes_[object.payload + i] >= 0x80) return false;
        }
        return true;
      case Kind::utf16String: {
        std::string ignored;
        return decodeUtf16(object, ignored, false);
      }
      default:
        return true;
    }
  }

  // Appends the UTF-8 form of a UTF-16BE string; false on an unpaired surrogate.
  bool decodeUtf16(const Object& object, std::string& out, bool keep) const {
    for (std::uint64_t i = 0; i < object.count; ++i) {
      auto unit = static_cast<char32_t>(readBigEndian(bytes_, object.payload + 2 * i, 2));
      if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // a trail without its lead
      if (isLeadSurrogate(unit)) {
        if (i + 1 >= object.count) return false;
        const auto pair = surrogatePair(
            static_cast<char16_t>(unit),
            static_cast<char16_t>(readBigEndian(bytes_, object.payload + 2 * (i + 1), 2)));
        if (!pair) return false;
        unit = *pair;
        ++i;
      }
      if (keep) appendUtf8(out, unit);
    }
    return true;
  }

  // A validated string object's text in UTF-8.
  std::string string(const Object& object) const {
    std::string text;
    if (object.kind == Kind::asciiString) {
      text.assign(reinterpret_cast<const char*>(bytes_.data() + object.payload),
                  static_cast<std::size_t>(object.count));
    } else {
      text.reserve(static_cast<std::size_t>(object.count));
      decodeUtf16(object, text, true);
    }
    return text;
  }

  // A validated scalar object as a value.
  PropertyListValue scalar(const Object& object) const {
    switch (object.kind) {
      case Kind::boolean:
        return {object.flag};
      case Kind::integer: {
        const auto size = static_cast<unsigned>(object.count);
        if (size < 8)
          return {static_cast<std::int64_t>(readBigEndian(bytes_, object.payload, size))};
        const std::uint64_t low = readBigEndian(bytes_, object.payload + size - 8, 8);
        // A 128-bit integer holds an unsigned value: its high half is ignored, and its low half
        // read as unsigned, so a stored 2^64-1 is not -1.
        if (size == 16 && (low >> 63) != 0) return {low};
        return {std::bit_cast<std::int64_t>(low)};
      }
      case Kind::real:
        if (object.count == 4) {
          const auto bits = static_cast<std::uint32_t>(readBigEndian(bytes_, object.payload, 4));
          return {static_cast<double>(std::bit_cast<float>(bits))};
        }
        return {std::bit_cast<double>(readBigEndian(bytes_, object.payload, 8))};
      case Kind::date:
        return {Date{std::bit_cast<double>(readBigEndian(bytes_, object.payload, 8))}};
      case Kind::data: {
        const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(object.payload);
        return {PropertyListValue::Data(begin, begin + static_cast<std::ptrdiff_t>(object.count))};
      }
      case Kind::asciiString:
      case Kind::utf16String:
        return {string(object)};
      case Kind::array:
        return {PropertyListValue::Array{}};
      case Kind::dictionary:
        return {PropertyListValue::Dictionary{}};
    }
    return {};
  }

  // A validated object built whole, without recursion. A shared sub-object is copied for
  // every reference to it, so the memory is metered: nothing once `budget` bytes (values
  // plus their payloads) are spent.
  std::optional<PropertyListValue> build(std::uint64_t ref, std::uint64_t budget) const {
    struct Frame {
      Object object;
      std::uint64_t next = 0;
      PropertyListValue value;
      std::string pendingKey;
      std::unordered_map<std::string, std::size_t> keyIndex;
    };
    std::vector<Frame> stack;
    std::uint64_t spent = 0;
    std::optional<PropertyListValue> result;

    auto deliver = [&](PropertyListValue value) {
      if (stack.empty()) {
        result = std::move(value);
        return;
      }
      Frame& parent = stack.back();
      if (auto* array = std::get_if<PropertyListValue::Array>(&parent.value.value)) {
        array->push_back(std::move(value));
        return;
      }
      insertKeepingLast(std::get<PropertyListValue::Dictionary>(parent.value.value),
                        parent.keyIndex, std::move(parent.pendingKey), std::move(value));
    };
    // Builds a scalar at once or opens a frame for a container; false when out of budget.
    auto enter = [&](std::uint64_t childRef) -> bool {
      const auto object = this->object(childRef);
      if (!object) return false;
      spent += sizeof(PropertyListValue) + (object->isContainer() ? 0 : 2 * object->count);
      if (spent > budget) return false;
      if (object->isContainer()) {
        stack.push_back(Frame{*object, 0, scalar(*object), {}, {}});
      } else {
        deliver(scalar(*object));
      }
      return true;
    };

    if (!enter(ref)) return std::nullopt;
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next == frame.object.count) {
        PropertyListValue done = std::move(frame.value);
        stack.pop_back();
        deliver(std::move(done));
        continue;
      }
      const std::uint64_t index = frame.next++;
      std::uint64_t valueRef = childRef(frame.object, index);
      if (frame.object.kind == Kind::dictionary) {
        const auto key = object(valueRef);
        if (!key) return std::nullopt;
        spent += sizeof(PropertyListValue::Dictionary::value_type) + 2 * key->count;
        frame.pendingKey = string(*key);
        valueRef = childRef(frame.object, frame.object.count + index);
      }
      if (!enter(valueRef)) return std::nullopt;
    }
    return result;
  }

 private:
  Bytes bytes_;
  const Trailer& trailer_;
};

}  // namespace

std::uint64_t BinaryPropertyList::buildBudget(std::uint64_t fileSize) {
  // Every value of an unshared tree costs at least one byte of the file (its marker or a
  // reference to it) and at most a dictionary entry in memory, a payload at most twice its
  // bytes (UTF-16 to UTF-8).
  constexpr std::uint64_t kPerFileByte = sizeof(PropertyListValue::Dictionary::value_type);
  return std::min(kMaxBuildBytes, fileSize * kPerFileByte + (std::uint64_t{1} << 20));
}

bool BinaryPropertyList::hasSignature(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kHeaderSize && std::memcmp(bytes.data(), "bplist00", kHeaderSize) == 0;
}

std::optional<BinaryPropertyList> BinaryPropertyList::validate(
    std::span<const std::uint8_t> bytes) {
  if (!hasSignature(bytes) || bytes.size() < kHeaderSize + 1 + kTrailerSize) return std::nullopt;
  const std::uint64_t trailerAt = bytes.size() - kTrailerSize;
  Trailer trailer;
  trailer.offsetIntSize = bytes[trailerAt + 6];
  trailer.objectRefSize = bytes[trailerAt + 7];
  trailer.numObjects = readBigEndian(bytes, trailerAt + 8, 8);
  trailer.topObject = readBigEndian(bytes, trailerAt + 16, 8);
  trailer.offsetTableOffset = readBigEndian(bytes, trailerAt + 24, 8);
  if (trailer.offsetIntSize < 1 || trailer.offsetIntSize > 8 || trailer.objectRefSize < 1 ||
      trailer.objectRefSize > 8 || trailer.numObjects < 1 ||
      trailer.topObject >= trailer.numObjects || trailer.offsetTableOffset < kHeaderSize + 1 ||
      trailer.offsetTableOffset > trailerAt) {
    return std::nullopt;
  }
  // The offset table must fit between its start and the trailer.
  if (trailer.numObjects > (trailerAt - trailer.offsetTableOffset) / trailer.offsetIntSize) {
    return std::nullopt;
  }
  // References too narrow to name every object mean the trailer lies.
  if (trailer.objectRefSize < 8 &&
      trailer.numObjects > (std::uint64_t{1} << (8 * trailer.objectRefSize))) {
    return std::nullopt;
  }

  // Walk every object reachable from the top with an explicit stack. Each object's state is
  // one byte: unseen, on the current path (meeting it again is a cycle), or done together
  // with the height of its subtree, so a shared object is checked once and its nesting still
  // counts wherever it is referenced.
  const Reader reader(bytes, trailer);
  constexpr std::uint8_t kUnseen = 0;
  constexpr std::uint8_t kOnPath = 0xFF;
  std::vector<std::uint8_t> state(static_cast<std::size_t>(trailer.numObjects), kUnseen);
  struct Frame {
    std::uint64_t ref;
    Object object;
    std::uint64_t next;
    int height;
  };
  std::vector<Frame> stack;
  stack.reserve(kMaxNesting + 1);

  enum class Visit { invalid, done, entered };
  // Depth is the number of open containers; a container may sit at most kMaxNesting deep.
  auto visit = [&](std::uint64_t ref, bool mustBeString, int& height) -> Visit {
    const std::uint8_t seen = state[ref];
    if (seen == kOnPath) return Visit::invalid;
    const auto depth = static_cast<int>(stack.size());
    const auto object = reader.object(ref);
    if (!object || (mustBeString && !object->isString())) return Visit::invalid;
    if (seen != kUnseen) {
      height = seen - 1;
      return depth + height > kMaxNesting ? Visit::invalid : Visit::done;
    }
    if (object->isContainer()) {
      if (depth + 1 > kMaxNesting) return Visit::invalid;
      state[ref] = kOnPath;
      stack.push_back(Frame{ref, *object, 0, 0});
      return Visit::entered;
    }
    if (!reader.scalarIsValid(*object)) return Visit::invalid;
    state[ref] = 1;
    height = 0;
    return Visit::done;
  };

  int height = 0;
  if (visit(trailer.topObject, false, height) == Visit::invalid) return std::nullopt;
  while (!stack.empty()) {
    const std::size_t top = stack.size() - 1;
    if (stack[top].next == reader.childCount(stack[top].object)) {
      const int done = stack[top].height + 1;
      state[stack[top].ref] = static_cast<std::uint8_t>(done + 1);
      stack.pop_back();
      if (!stack.empty()) stack.back().height = std::max(stack.back().height, done);
      continue;
    }
    const std::uint64_t index = stack[top].next++;
    const Object container = stack[top].object;
    const std::uint64_t ref = reader.childRef(container, index);
    if (ref >= trailer.numObjects) return std::nullopt;
    const bool isKey = container.kind == Kind::dictionary && index < container.count;
    const Visit result = visit(ref, isKey, height);
    if (result == Visit::invalid) return std::nullopt;
    if (result == Visit::done) stack[top].height = std::max(stack[top].height, height);
  }
  return BinaryPropertyList(trailer);
}

bool BinaryPropertyList::topIsDictionary(std::span<const std::uint8_t> bytes) const {
  const auto top = Reader(bytes, trailer_).object(trailer_.topObject);
  return top && top->kind == Kind::dictionary;
}

std::optional<PropertyListValue> BinaryPropertyList::topObject(
    std::span<const std::uint8_t> bytes) const {
  return Reader(bytes, trailer_).build(trailer_.topObject, buildBudget(bytes.size()));
}

std::optional<PropertyListValue> BinaryPropertyList::valueForKey(
    std::span<const std::uint8_t> bytes, std::string_view key, bool shallow) const {
  const Reader reader(bytes, trailer_);
  const auto top = reader.object(trailer_.topObject);
  if (!top || top->kind != Kind::dictionary) return std::nullopt;
  std::optional<std::uint64_t> match;
  for (std::uint64_t i = 0; i < top->count; ++i) {
    const auto keyObject = reader.object(reader.childRef(*top, i));
    if (!keyObject || !keyObject->isString()) return std::nullopt;
    // An ASCII key can only equal a key of the same byte length; skip the rest unread.
    if (keyObject->kind == Kind::asciiString && keyObject->count != key.size()) continue;
    if (reader.string(*keyObject) == key) match = i;
  }
  if (!match) return std::nullopt;
  const std::uint64_t valueRef = reader.childRef(*top, top->count + *match);
  if (shallow) {
    const auto object = reader.object(valueRef);
    if (!object) return std::nullopt;
    return reader.scalar(*object);
  }
  return reader.build(valueRef, buildBudget(bytes.size()));
}

}  // namespace foundation
