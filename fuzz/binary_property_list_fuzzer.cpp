// The binary property-list reader on arbitrary bytes: validation, the whole tree, keyed lookups
// and the document that UserDefaults keeps must agree with each other, and never crash; the
// store's writers write the tree back to the same value.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/property_list/binary_property_list.hpp"
#include "foundation/property_list/property_list_document.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto plist = foundation::BinaryPropertyList::validate(bytes);
  const auto document = foundation::PropertyListDocument::parse({bytes.begin(), bytes.end()});
  fuzz::check(plist || !document, "a document made of a binary list that does not validate");
  if (!plist) return 0;
  fuzz::check(foundation::BinaryPropertyList::hasSignature(bytes), "validated without signature");
  const bool dictionary = plist->topIsDictionary(bytes);
  fuzz::check(document.has_value() == dictionary, "document and top-dictionary test disagree");

  const auto whole = foundation::readPropertyList(bytes);
  if (!whole) return 0;  // over the build budget: allowed, lookups may still answer
  fuzz::check(
      dictionary == std::holds_alternative<fuzz::PropertyListValue::Dictionary>(whole->value),
      "the built top object and the top-dictionary test disagree");
  fuzz::checkLookups(*whole, [&](const std::string& key, bool shallow) {
    return plist->valueForKey(bytes, key, shallow);
  });
  if (document) fuzz::checkDocument(*whole, *document);
  fuzz::checkWriters(*whole);
  return 0;
}
