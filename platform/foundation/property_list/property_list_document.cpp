#include "foundation/property_list/property_list_document.hpp"

namespace foundation {

std::optional<PropertyListDocument> PropertyListDocument::parse(std::vector<std::uint8_t> bytes) {
  if (BinaryPropertyList::hasSignature(bytes)) {
    const auto binary = BinaryPropertyList::validate(bytes);
    if (!binary || !binary->topIsDictionary(bytes)) return std::nullopt;
    return PropertyListDocument(std::move(bytes), *binary);
  }
  auto xml = xml_property_list::validateAndIndex(bytes);
  if (!xml || xml->topKind != xml_property_list::TopKind::dictionary) return std::nullopt;
  return PropertyListDocument(std::move(bytes), Xml{std::move(xml->index)});
}

std::optional<PropertyListValue> PropertyListDocument::valueForKey(std::string_view key) const {
  if (const auto* binary = std::get_if<BinaryPropertyList>(&format_)) {
    return binary->valueForKey(bytes_, key);
  }
  const auto& xml = std::get<Xml>(format_);
  if (xml.index) return xml_property_list::valueForKey(bytes_, *xml.index, key);
  return xml_property_list::valueForKey(bytes_, key);
}

std::optional<PropertyListValue> PropertyListDocument::scalarForKey(std::string_view key) const {
  if (const auto* binary = std::get_if<BinaryPropertyList>(&format_)) {
    return binary->valueForKey(bytes_, key, true);
  }
  const auto& xml = std::get<Xml>(format_);
  if (xml.index) return xml_property_list::valueForKey(bytes_, *xml.index, key, true);
  return xml_property_list::valueForKey(bytes_, key, true);
}

std::optional<PropertyListValue> readPropertyList(std::span<const std::uint8_t> bytes) {
  if (BinaryPropertyList::hasSignature(bytes)) {
    const auto binary = BinaryPropertyList::validate(bytes);
    if (!binary) return std::nullopt;
    return binary->topObject(bytes);
  }
  return xml_property_list::readTopObject(bytes);
}

}  // namespace foundation
