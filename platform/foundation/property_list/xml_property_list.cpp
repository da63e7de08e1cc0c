#include "foundation/property_list/xml_property_list.hpp"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/property_list/dictionary_insert.hpp"
#include "foundation/property_list/number_scanning.hpp"

namespace foundation::xml_property_list {
namespace {

enum class Element : std::uint8_t {
  plist,
  dict,
  array,
  key,
  string,
  integer,
  real,
  date,
  data,
  trueValue,
  falseValue,
};

std::optional<Element> elementNamed(const char* name) {
  static constexpr std::pair<std::string_view, Element> kNames[] = {
      {"plist", Element::plist},    {"dict", Element::dict},        {"array", Element::array},
      {"key", Element::key},        {"string", Element::string},    {"integer", Element::integer},
      {"real", Element::real},      {"date", Element::date},        {"data", Element::data},
      {"true", Element::trueValue}, {"false", Element::falseValue},
  };
  for (const auto& [text, element] : kNames) {
    if (text == name) return element;
  }
  return std::nullopt;
}

bool isContainer(Element element) {
  return element == Element::dict || element == Element::array;
}
bool isLeaf(Element element) {
  return !isContainer(element) && element != Element::plist;
}

bool isXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The top-level index is given up (lookups then pass over the whole document) beyond these.
constexpr std::size_t kMaxIndexedKeys = 4096;
constexpr std::size_t kMaxIndexedKeyBytes = 256 * 1024;
// Top-level scalars are kept built in the index within these bounds (the count is bounded
// with the keys); a longer string, data, or any beyond them, is parsed again when looked up.
constexpr std::size_t kMaxKeptStringBytes = 256;
constexpr std::size_t kMaxKeptStringTotal = 64 * 1024;

// Numbers and dates longer than this are refused rather than buffered.
constexpr std::size_t kMaxScalarText = 64 * 1024;

// Base64 with white space anywhere and optional '=' padding, decoded as it streams in.
class Base64Decoder {
 public:
  void reset(std::vector<std::uint8_t>* out) {
    *this = Base64Decoder{};
    out_ = out;
  }

  bool feed(std::string_view text) {
    for (const char c : text) {
      if (isXmlSpace(c)) continue;
      if (c == '=') {
        if (++padding_ > 2) return false;
        continue;
      }
      const int value = sextet(c);
      if (value < 0 || padding_ > 0) return false;
      bits_ = (bits_ << 6) | static_cast<std::uint32_t>(value);
      if (++pending_ == 4) {
        emit(bits_ >> 16);
        emit(bits_ >> 8);
        emit(bits_);
        bits_ = 0;
        pending_ = 0;
      }
    }
    return true;
  }

  bool finish() {
    if (pending_ == 1 || (padding_ > 0 && pending_ + padding_ != 4)) return false;
    if (pending_ == 2) emit(bits_ >> 4);
    if (pending_ == 3) {
      emit(bits_ >> 10);
      emit(bits_ >> 2);
    }
    return true;
  }

 private:
  static int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  }
  void emit(std::uint32_t byte) {
    if (out_ != nullptr) out_->push_back(static_cast<std::uint8_t>(byte & 0xFF));
  }

  std::vector<std::uint8_t>* out_ = nullptr;
  std::uint32_t bits_ = 0;
  int pending_ = 0;
  int padding_ = 0;
};

enum class Mode : std::uint8_t { validate, whole, key };

// Expat salts its hash tables against collision flooding and, left to itself, asks the kernel
// for a fresh salt for every parser. One secret drawn per process guards as well and spares a
// system call per parse.
unsigned long hashSalt() {
  static const unsigned long salt = []() -> unsigned long {
    try {
      std::random_device device;
      return std::uniform_int_distribution<unsigned long>(1, ULONG_MAX)(device);
    } catch (const std::exception&) {
      return 0;  // no entropy source here: expat then draws a salt for each parser itself
    }
  }();
  return salt;
}

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// One streaming pass over a document. Values are built only where `mode` asks for them:
// nowhere, everywhere, or inside the top dictionary's value for one key.
class Pass {
 public:
  Pass(Mode mode, std::string_view key, bool shallow = false, bool indexing = false)
      : mode_(mode), key_(key), shallow_(shallow), indexing_(indexing) {}

  // `encoding` overrides what the document declares; a fragment cut from a document has no
  // declaration of its own.
  bool run(std::span<const std::uint8_t> bytes, const char* encoding = nullptr) {
    const std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate(encoding));
    if (!parser) return false;
    parser_ = parser.get();
    XML_SetHashSalt(parser_, hashSalt());
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &Pass::onStart, &Pass::onEnd);
    XML_SetCharacterDataHandler(parser_, &Pass::onText);
    // A DOCTYPE is only skipped: declaring an entity, or using one expat cannot resolve
    // from the five predefined ones, stops the pass, so nothing is ever expanded.
    XML_SetEntityDeclHandler(parser_, &Pass::onEntityDecl);
    XML_SetSkippedEntityHandler(parser_, &Pass::onSkippedEntity);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    if (indexing_) {
      XML_SetXmlDeclHandler(parser_, &Pass::onXmlDecl);
      // Byte ranges can be parsed again alone only in an encoding that needs no declaration.
      const bool utf16 = bytes.size() >= 2 && (bytes[0] == 0 || bytes[1] == 0 ||
                                               (bytes[0] == 0xFE && bytes[1] == 0xFF) ||
                                               (bytes[0] == 0xFF && bytes[1] == 0xFE));
      if (utf16) dropIndex();
    }

    constexpr std::size_t kChunk = 1 << 20;
    std::size_t offset = 0;
    do {
      const std::size_t length = std::min(kChunk, bytes.size() - offset);
      const bool last = offset + length == bytes.size();
      const auto* chunk = reinterpret_cast<const char*>(bytes.data()) + offset;
      if (XML_Parse(parser_, chunk, static_cast<int>(length), last ? XML_TRUE : XML_FALSE) !=
          XML_STATUS_OK) {
        if (!failed_) note(XML_ErrorString(XML_GetErrorCode(parser_)));
        return false;
      }
      offset += length;
    } while (offset < bytes.size());
    if (!failed_ && !topKind_) note("no property list object");
    return !failed_ && topKind_.has_value();
  }

  const std::optional<Fault>& fault() const { return fault_; }

  std::optional<TopKind> topKind() const { return topKind_; }
  std::optional<TopLevelIndex> takeIndex() {
    if (!indexing_) return std::nullopt;
    return std::move(index_);
  }
  std::optional<PropertyListValue>& result() { return result_; }

 private:
  struct Frame {
    explicit Frame(Element kind) : element(kind) {}

    Element element;
    bool building = false;
    bool isTopDictionary = false;
    bool expectingKey = true;  // a dict's next child must be a <key>
    bool holdsValue = false;   // a plist has its one object
    // Text kept of a key: a top-level key is only compared or indexed, so a little more
    // than the longest useful key is enough to tell.
    std::size_t textLimit = std::string::npos;
    PropertyListValue value;
    std::string pendingKey;
    std::unordered_map<std::string, std::size_t> keyIndex;
  };

  static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char**) {
    static_cast<Pass*>(self)->start(name);
  }
  static void XMLCALL onEnd(void* self, const XML_Char*) { static_cast<Pass*>(self)->end(); }
  static void XMLCALL onText(void* self, const XML_Char* text, int length) {
    static_cast<Pass*>(self)->text(std::string_view(text, static_cast<std::size_t>(length)));
  }
  static void XMLCALL onEntityDecl(void* self, const XML_Char*, int, const XML_Char*, int,
                                   const XML_Char*, const XML_Char*, const XML_Char*,
                                   const XML_Char*) {
    static_cast<Pass*>(self)->fail();
  }
  static void XMLCALL onSkippedEntity(void* self, const XML_Char*, int) {
    static_cast<Pass*>(self)->fail();
  }
  static void XMLCALL onXmlDecl(void* self, const XML_Char*, const XML_Char* encoding, int) {
    if (encoding == nullptr) return;
    std::string name(encoding);
    for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (name != "UTF-8" && name != "US-ASCII") static_cast<Pass*>(self)->dropIndex();
  }

  void dropIndex() {
    indexing_ = false;
    index_ = {};
  }

  void note(const char* reason) {
    if (fault_) return;
    fault_ = Fault{rootKnown_, XML_GetCurrentLineNumber(parser_),
                   XML_GetCurrentColumnNumber(parser_), reason};
  }

  void fail(const char* reason = "an element or value a property list does not hold here") {
    if (failed_) return;
    failed_ = true;
    note(reason);
    XML_StopParser(parser_, XML_FALSE);
  }

  void start(const char* name) {
    if (failed_) return;
    const auto element = elementNamed(name);
    if (stack_.empty() && !rootSeen_) {
      rootSeen_ = true;
      rootKnown_ = element.has_value();
    }
    if (!element) return fail("an element that is not of a property list");
    if (stack_.empty()) {
      if (*element == Element::plist) {
        stack_.emplace_back(Element::plist);
        return;
      }
      // A key is no value: as the root it would have no dictionary to belong to.
      if (*element == Element::key) return fail();
      return startValue(*element);
    }
    const Frame& parent = stack_.back();
    if (isLeaf(parent.element) || *element == Element::plist) return fail();
    switch (parent.element) {
      case Element::plist:
        if (parent.holdsValue || *element == Element::key) return fail();
        break;
      case Element::dict:
        if (parent.expectingKey != (*element == Element::key)) return fail();
        break;
      default:
        if (*element == Element::key) return fail();
        break;
    }
    startValue(*element);
  }

  void startValue(Element element) {
    const Frame* parent = stack_.empty() ? nullptr : &stack_.back();
    const bool atTop = parent == nullptr || parent->element == Element::plist;
    Frame frame(element);
    if (element == Element::key) {
      frame.building = (parent->building && !shallow_) ||
                       (parent->isTopDictionary && (mode_ == Mode::key || indexing_));
      if (parent->isTopDictionary && !parent->building) {
        frame.textLimit = (mode_ == Mode::key ? key_.size() : kMaxIndexedKeyBytes) + 1;
      }
    } else if (atTop) {
      frame.building = mode_ == Mode::whole;
    } else if (indexing_ && parent->isTopDictionary && isLeaf(element) &&
               element != Element::data) {
      frame.building = true;  // to be kept in the index if short enough: see record()
      frame.textLimit = kMaxKeptStringBytes + 1;
    } else {
      frame.building = (parent->building && !shallow_) || (parent->isTopDictionary && keyMatches_);
    }
    if (isContainer(element)) {
      if (++depth_ > kMaxNesting) return fail();
      frame.isTopDictionary = atTop && element == Element::dict;
      if (frame.building) {
        frame.value = element == Element::dict ? PropertyListValue{PropertyListValue::Dictionary{}}
                                               : PropertyListValue{PropertyListValue::Array{}};
      }
    }
    if (indexing_ && element != Element::key && parent != nullptr && parent->isTopDictionary) {
      valueBegin_ = static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_));
    }
    text_.clear();
    if (element == Element::data) {
      data_.clear();
      decoder_.reset(frame.building ? &data_ : nullptr);
    }
    stack_.push_back(std::move(frame));
  }

  void text(std::string_view chunk) {
    if (failed_ || stack_.empty()) return;
    const Frame& frame = stack_.back();
    switch (frame.element) {
      case Element::plist:
      case Element::dict:
      case Element::array:
      case Element::trueValue:
      case Element::falseValue:
        if (!std::all_of(chunk.begin(), chunk.end(), isXmlSpace)) fail();
        return;
      case Element::data:
        if (!decoder_.feed(chunk)) fail();
        return;
      case Element::key:
      case Element::string:
        if (frame.building && text_.size() < frame.textLimit) {
          text_.append(chunk.substr(0, frame.textLimit - text_.size()));
        }
        return;
      case Element::integer:
      case Element::real:
      case Element::date:
        if (text_.size() + chunk.size() > kMaxScalarText) return fail();
        text_.append(chunk);
        return;
    }
  }

  void end() {
    if (failed_ || stack_.empty()) return;
    Frame frame = std::move(stack_.back());
    stack_.pop_back();
    PropertyListValue value;
    switch (frame.element) {
      case Element::plist:
        if (!frame.holdsValue) fail();
        return;
      case Element::key: {
        Frame& dict = stack_.back();
        dict.expectingKey = false;
        if (dict.isTopDictionary) {
          keyMatches_ = mode_ == Mode::key && text_ == key_;
          if (indexing_) topKey_ = text_;
        }
        if (dict.building) dict.pendingKey = std::move(text_);
        return;
      }
      case Element::dict:
        if (!frame.expectingKey) return fail();  // a key without its value
        --depth_;
        value = std::move(frame.value);
        break;
      case Element::array:
        --depth_;
        value = std::move(frame.value);
        break;
      case Element::string:
        value.value = std::move(text_);
        break;
      case Element::integer: {
        const auto number = parseWholeInteger(trimmed(text_));
        if (!number) return fail("a number that does not read");
        std::visit([&](auto n) { value.value = n; }, *number);
        break;
      }
      case Element::real: {
        const auto number = parseWholeReal(trimmed(text_));
        if (!number) return fail("a number that does not read");
        value.value = *number;
        break;
      }
      case Element::date: {
        const auto seconds = parseIso8601Date(trimmed(text_));
        if (!seconds) return fail("a date that does not read");
        value.value = Date{*seconds};
        break;
      }
      case Element::data:
        if (!decoder_.finish()) return fail("data that is not base64");
        value.value = std::move(data_);
        break;
      case Element::trueValue:
      case Element::falseValue:
        value.value = frame.element == Element::trueValue;
        break;
    }
    deliver(frame, std::move(value));
  }

  void deliver(const Frame& child, PropertyListValue&& value) {
    if (stack_.empty() || stack_.back().element == Element::plist) {
      if (!stack_.empty()) stack_.back().holdsValue = true;
      topKind_ = child.element == Element::dict ? TopKind::dictionary : TopKind::other;
      if (mode_ == Mode::whole) result_ = std::move(value);
      return;
    }
    Frame& parent = stack_.back();
    if (indexing_ && parent.isTopDictionary) record(child, std::move(value));
    if (parent.element == Element::array) {
      // As in a dictionary: a shallow read builds the array but none of its elements.
      if (parent.building && child.building) {
        std::get<PropertyListValue::Array>(parent.value.value).push_back(std::move(value));
      }
      return;
    }
    parent.expectingKey = true;
    if (parent.building && child.building) {
      insertKeepingLast(std::get<PropertyListValue::Dictionary>(parent.value.value),
                        parent.keyIndex, std::move(parent.pendingKey), std::move(value));
    } else if (parent.isTopDictionary && keyMatches_) {
      result_ = std::move(value);  // a later repeat of the key replaces an earlier one
    }
  }

  // Notes where the value just ended lies, under the top dictionary's latest key, and keeps
  // the value itself when it was built and is small.
  void record(const Frame& child, PropertyListValue&& value) {
    const auto end = static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_)) +
                     static_cast<std::uint64_t>(XML_GetCurrentByteCount(parser_));
    TopLevelEntry entry{ByteRange{valueBegin_, end}, std::nullopt};
    if (child.building) {
      const auto* text = std::get_if<std::string>(&value.value);
      const std::size_t size = text != nullptr ? text->size() : 0;
      if (size <= kMaxKeptStringBytes && keptStringBytes_ + size <= kMaxKeptStringTotal) {
        keptStringBytes_ += size;
        entry.scalar = std::move(value);
      }
    }
    const auto [it, inserted] = index_.entries.insert_or_assign(topKey_, std::move(entry));
    if (inserted) indexKeyBytes_ += it->first.size();
    if (index_.entries.size() > kMaxIndexedKeys || indexKeyBytes_ > kMaxIndexedKeyBytes) {
      dropIndex();
    }
  }

  Mode mode_;
  std::string_view key_;
  bool shallow_;
  bool indexing_;  // only while validating: the other modes build what they need
  XML_Parser parser_ = nullptr;
  bool failed_ = false;
  bool rootSeen_ = false;
  bool rootKnown_ = false;  // the first element is one of a property list's
  std::optional<Fault> fault_;
  int depth_ = 0;
  bool keyMatches_ = false;
  TopLevelIndex index_;
  std::string topKey_;
  std::uint64_t valueBegin_ = 0;
  std::size_t indexKeyBytes_ = 0;
  std::size_t keptStringBytes_ = 0;
  std::vector<Frame> stack_;
  std::string text_;
  std::vector<std::uint8_t> data_;
  Base64Decoder decoder_;
  std::optional<TopKind> topKind_;
  std::optional<PropertyListValue> result_;
};

}  // namespace

std::optional<TopKind> validate(std::span<const std::uint8_t> bytes) {
  Pass pass(Mode::validate, {}, false, false);
  if (!pass.run(bytes)) return std::nullopt;
  return pass.topKind();
}

std::optional<Validated> validateAndIndex(std::span<const std::uint8_t> bytes) {
  Pass pass(Mode::validate, {}, false, true);
  if (!pass.run(bytes)) return std::nullopt;
  return Validated{*pass.topKind(), pass.takeIndex()};
}

std::optional<Fault> findFault(std::span<const std::uint8_t> bytes) {
  Pass pass(Mode::validate, {}, false, false);
  if (pass.run(bytes)) return std::nullopt;
  return pass.fault().value_or(Fault{false, 1, 0, "cannot be read"});
}

std::optional<PropertyListValue> readTopObject(std::span<const std::uint8_t> bytes) {
  Pass pass(Mode::whole, {});
  if (!pass.run(bytes)) return std::nullopt;
  return std::move(pass.result());
}

std::optional<PropertyListValue> valueForKey(std::span<const std::uint8_t> bytes,
                                             std::string_view key, bool shallow) {
  Pass pass(Mode::key, key, shallow);
  if (!pass.run(bytes) || pass.topKind() != TopKind::dictionary) return std::nullopt;
  return std::move(pass.result());
}

std::optional<PropertyListValue> valueForKey(std::span<const std::uint8_t> bytes,
                                             const TopLevelIndex& index, std::string_view key,
                                             bool shallow) {
  const auto found = index.entries.find(std::string(key));
  if (found == index.entries.end()) return std::nullopt;
  if (found->second.scalar) return found->second.scalar;
  const ByteRange range = found->second.range;
  if (range.begin > range.end || range.end > bytes.size()) return std::nullopt;
  Pass pass(Mode::whole, {}, shallow);
  if (!pass.run(bytes.subspan(range.begin, range.end - range.begin), "UTF-8")) return std::nullopt;
  return std::move(pass.result());
}

}  // namespace foundation::xml_property_list
