// The XML property-list reader on arbitrary bytes: validation, the whole tree, keyed lookups and
// the document that UserDefaults keeps must agree with each other, and never crash or expand
// an entity; the store's writers write the tree back to the same value.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/property_list/property_list_document.hpp"
#include "foundation/property_list/xml_property_list.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace xml = foundation::xml_property_list;
  const std::span<const std::uint8_t> bytes(data, size);
  const auto kind = xml::validate(bytes);
  const auto whole = xml::readTopObject(bytes);
  fuzz::check(kind.has_value() == whole.has_value(), "validation and the whole read disagree");
  if (!whole) return 0;
  const bool dictionary = std::holds_alternative<fuzz::PropertyListValue::Dictionary>(whole->value);
  fuzz::check(dictionary == (*kind == xml::TopKind::dictionary), "the top kind is wrong");
  fuzz::checkLookups(*whole, [&](const std::string& key, bool shallow) {
    return xml::valueForKey(bytes, key, shallow);
  });
  fuzz::checkWriters(*whole);
  // Input that starts "bplist00" is the binary reader's; the document takes that road.
  if (foundation::BinaryPropertyList::hasSignature(bytes)) return 0;
  const auto document = foundation::PropertyListDocument::parse({bytes.begin(), bytes.end()});
  fuzz::check(document.has_value() == dictionary, "document and top kind disagree");
  if (document) fuzz::checkDocument(*whole, *document);
  return 0;
}
