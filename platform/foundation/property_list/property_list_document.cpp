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

std::pair<StoreFormat, StoreStatus> PropertyListDocument::diagnose(
    std::span<const std::uint8_t> bytes) {
  using namespace store_status;
  const auto notDictionary = [](const std::optional<PropertyListValue>& top) {
    return NotDictionary{top ? std::string(typeName(*top)) : "a value too large to build"};
  };
  if (BinaryPropertyList::hasSignature(bytes)) {
    const auto binary = BinaryPropertyList::validate(bytes);
    if (!binary) {
      return {StoreFormat::binary,
              Damaged{"its trailer, offset table or objects (out of range or malformed)"}};
    }
    if (!binary->topIsDictionary(bytes)) {
      return {StoreFormat::binary, notDictionary(binary->topObject(bytes))};
    }
    return {StoreFormat::binary, Ok{}};
  }
  if (const auto fault = xml_property_list::findFault(bytes)) {
    const std::string where = "line " + std::to_string(fault->line) + ", column " +
                              std::to_string(fault->column) + ": " + fault->reason;
    if (!fault->propertyList) return {StoreFormat::unknown, NotPropertyList{where}};
    return {StoreFormat::xml, Damaged{where}};
  }
  if (xml_property_list::validate(bytes) != xml_property_list::TopKind::dictionary) {
    return {StoreFormat::xml, notDictionary(xml_property_list::readTopObject(bytes))};
  }
  return {StoreFormat::xml, Ok{}};
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
