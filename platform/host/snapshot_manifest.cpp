#include "host/snapshot_manifest.hpp"

#include <algorithm>
#include <cmath>
#include <istream>
#include <limits>
#include <ostream>
#include <set>

#include "host/timeline_json.hpp"

namespace host {
namespace {

constexpr int kFormat = 1;

// What is wrong with the manifest, thrown from inside the parser's callback.
struct ManifestError {
  std::string message;
};

const Json& member(const Json& object, const char* name, const std::string& where) {
  if (!object.is_object()) throw ManifestError{where + " is not an object"};
  const auto found = object.find(name);
  if (found == object.end()) throw ManifestError{where + " has no \"" + name + "\""};
  return *found;
}

std::string text(const Json& value, const std::string& where) {
  if (!value.is_string()) throw ManifestError{where + " is not a string"};
  return value.get<std::string>();
}

// A number as jsonNumber writes one: NaN and the infinities as strings.
double number(const Json& value, const std::string& where) {
  if (value.is_number()) return value.get<double>();
  if (value == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (value == "inf") return std::numeric_limits<double>::infinity();
  if (value == "-inf") return -std::numeric_limits<double>::infinity();
  throw ManifestError{where + " is not a number"};
}

int whole(const Json& value, const std::string& where) {
  if (!value.is_number_integer() || value.get<long long>() < 1 ||
      value.get<long long>() > 1'000'000) {
    throw ManifestError{where + " is not a whole number from 1 to 1000000"};
  }
  return value.get<int>();
}

template <class Value, class Named>
Value named(const Json& value, const std::string& where, Named lookUp, std::string_view expected) {
  const std::string name = text(value, where);
  const std::optional<Value> found = lookUp(name);
  if (!found) {
    throw ManifestError{where + " is '" + name.substr(0, 64) + "', not " + std::string(expected)};
  }
  return *found;
}

SnapshotEntry readEntry(const std::string& name, const Json& json, const std::string& where) {
  SnapshotEntry entry{name, false, {}, {}};
  const Json& placeholder = member(json, "placeholder", where);
  if (!placeholder.is_boolean()) throw ManifestError{where + ".placeholder is not true or false"};
  entry.placeholder = placeholder.get<bool>();
  entry.date = foundation::Date{number(member(json, "secondsSinceReferenceDate", where),
                                       where + ".secondsSinceReferenceDate")};
  const Json& values = member(json, "values", where);
  if (!values.is_object()) throw ManifestError{where + ".values is not an object"};
  for (const auto& [field, value] : values.items()) {
    entry.values.push_back({field, number(value, where + ".values." + field)});
  }
  return entry;
}

SnapshotCell readCell(const Json& json, const std::string& where,
                      const std::vector<SnapshotEntry>& entries) {
  SnapshotCell cell;
  cell.id = text(member(json, "id", where), where + ".id");
  if (!isSnapshotId(cell.id)) {
    throw ManifestError{where + ".id is not a file name of letters, digits and . _ - @ = ; +"};
  }
  cell.device = text(member(json, "device", where), where + ".device");
  cell.family = named<WidgetFamily>(member(json, "family", where), where + ".family", familyNamed,
                                    "a widget family such as small");
  cell.context = named<RenderingContext>(member(json, "context", where), where + ".context",
                                         renderingContextNamed, renderingContextNames());
  cell.appearance = named<Appearance>(
      member(json, "appearance", where), where + ".appearance",
      [](std::string_view name) -> std::optional<Appearance> {
        if (name == "light") return Appearance::light;
        if (name == "dark") return Appearance::dark;
        return std::nullopt;
      },
      "light or dark");
  cell.locale = text(member(json, "locale", where), where + ".locale");
  cell.textSize = named<ui::DynamicTypeSize>(member(json, "textSize", where), where + ".textSize",
                                             ui::parseDynamicTypeSize, "a text size");
  const std::string entry = text(member(json, "entry", where), where + ".entry");
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const SnapshotEntry& e) { return e.name == entry; });
  if (found == entries.end()) {
    throw ManifestError{where + ".entry '" + entry.substr(0, 64) + "' is none of the entries"};
  }
  cell.entry = static_cast<std::size_t>(found - entries.begin());
  cell.width = whole(member(json, "width", where), where + ".width");
  cell.height = whole(member(json, "height", where), where + ".height");
  const auto digest =
      foundation::Sha256::fromHex(text(member(json, "sha256", where), where + ".sha256"));
  if (!digest) throw ManifestError{where + ".sha256 is not 64 hexadecimal digits"};
  cell.sha256 = *digest;
  return cell;
}

}  // namespace

Matrix SnapshotManifest::matrix() const {
  Matrix matrix;
  for (const SnapshotEntry& entry : entries) {
    matrix.entries.push_back({entry.name, entry.placeholder, entry.values});
  }
  matrix.scale = scale;
  matrix.tint = tint;
  return matrix;
}

std::string snapshotId(std::string_view device, WidgetFamily family, RenderingContext context,
                       Appearance appearance, std::string_view locale, ui::DynamicTypeSize textSize,
                       std::string_view entry) {
  std::string id(device);
  for (const std::string_view part : {shortName(family), toString(context), toString(appearance),
                                      locale, ui::toString(textSize), entry}) {
    id += '.';
    id += part;
  }
  return id;
}

SnapshotCell snapshotCell(const MatrixCell& cell, const Matrix& matrix) {
  SnapshotCell recorded;
  recorded.id = cell.id(matrix);
  recorded.device = std::string(cell.device->name);
  recorded.family = cell.family;
  recorded.context = cell.context;
  recorded.appearance = cell.appearance;
  recorded.locale = cell.locale;
  recorded.textSize = cell.textSize;
  recorded.entry = cell.entry;
  return recorded;
}

std::optional<MatrixCell> matrixCell(const SnapshotCell& cell) {
  const Device* device = deviceNamed(cell.device);
  if (device == nullptr) return std::nullopt;
  return MatrixCell{device,      cell.family,   cell.context, cell.appearance,
                    cell.locale, cell.textSize, cell.entry};
}

bool isSnapshotId(std::string_view id) {
  if (id.empty() || id.size() > 200 || id.front() == '.') return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("._-@=;+").find(c) != std::string_view::npos;
  });
}

void writeSnapshotManifest(std::ostream& out, const SnapshotManifest& manifest) {
  writeSnapshotManifest(out, manifest, manifest.cells.size(),
                        [&](std::size_t i) { return manifest.cells[i]; });
}

void writeSnapshotManifest(std::ostream& out, const SnapshotManifest& manifest, std::size_t count,
                           const std::function<SnapshotCell(std::size_t)>& cellAt) {
  Json scale = nullptr;
  if (manifest.scale) scale = jsonNumber(*manifest.scale);
  const ui::RGBA& tint = manifest.tint;
  out << "{\n  \"snapshots\": " << kFormat << ",\n  \"kind\": " << oneLine(manifest.kind)
      << ",\n  \"scale\": " << oneLine(scale) << ",\n  \"tint\": "
      << oneLine(Json::array({jsonNumber(tint.red), jsonNumber(tint.green), jsonNumber(tint.blue),
                              jsonNumber(tint.opacity)}))
      << ",\n  \"entries\": {";
  for (std::size_t i = 0; i < manifest.entries.size(); ++i) {
    const SnapshotEntry& entry = manifest.entries[i];
    Json values = Json::object();
    for (const EntryField& field : entry.values) values[field.name] = jsonNumber(field.value);
    const Json json = {
        {"placeholder", entry.placeholder},
        {"date", jsonDate(entry.date)},
        {"secondsSinceReferenceDate", jsonNumber(entry.date.timeIntervalSinceReferenceDate)},
        {"values", values}};
    out << (i == 0 ? "\n    " : ",\n    ") << oneLine(entry.name) << ": " << oneLine(json);
  }
  out << "\n  },\n  \"cells\": [";
  for (std::size_t i = 0; i < count; ++i) {
    const SnapshotCell cell = cellAt(i);
    const Json json = {{"id", cell.id},
                       {"device", cell.device},
                       {"family", shortName(cell.family)},
                       {"context", toString(cell.context)},
                       {"appearance", toString(cell.appearance)},
                       {"locale", cell.locale},
                       {"textSize", ui::toString(cell.textSize)},
                       {"entry", manifest.entries.at(cell.entry).name},
                       {"width", cell.width},
                       {"height", cell.height},
                       {"sha256", cell.sha256.hex()}};
    out << (i == 0 ? "\n    " : ",\n    ") << oneLine(json);
  }
  out << "\n  ]\n}\n";
}

std::variant<SnapshotManifest, std::string> readSnapshotManifest(std::istream& in) {
  SnapshotManifest manifest;
  std::string topKey;
  std::set<std::string> ids;
  // The entries are read as soon as they are whole, before the cells that name them; each cell
  // is read as it ends and dropped from the document.
  bool entriesRead = false;
  auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (depth == 1 && event == Json::parse_event_t::key) topKey = parsed.get<std::string>();
    if (depth == 1 && event == Json::parse_event_t::object_end && topKey == "entries") {
      for (const auto& [name, json] : parsed.items()) {
        manifest.entries.push_back(readEntry(name, json, "entries." + name));
      }
      entriesRead = true;
    }
    if (depth == 2 && event == Json::parse_event_t::object_end && topKey == "cells") {
      const std::string where = "cells[" + std::to_string(manifest.cells.size()) + "]";
      if (!entriesRead) throw ManifestError{where + " comes before the entries"};
      manifest.cells.push_back(readCell(parsed, where, manifest.entries));
      if (!ids.insert(manifest.cells.back().id).second) {
        throw ManifestError{where + ".id " + manifest.cells.back().id + " is given twice"};
      }
      return false;
    }
    return true;
  };
  try {
    const Json root = Json::parse(in, callback);
    const Json& format = member(root, "snapshots", "the manifest");
    if (format != kFormat) {
      throw ManifestError{"\"snapshots\" is " + oneLine(format).substr(0, 32) + ", not " +
                          std::to_string(kFormat) + " (written by another version?)"};
    }
    manifest.kind = text(member(root, "kind", "the manifest"), "kind");
    const Json& scale = member(root, "scale", "the manifest");
    if (!scale.is_null()) {
      const double value = number(scale, "scale");
      if (!(value >= 0.25 && value <= 8)) throw ManifestError{"scale is not from 0.25 to 8"};
      manifest.scale = value;
    }
    const Json& tint = member(root, "tint", "the manifest");
    if (!tint.is_array() || tint.size() != 4) throw ManifestError{"tint is not 4 numbers"};
    manifest.tint = {number(tint[0], "tint[0]"), number(tint[1], "tint[1]"),
                     number(tint[2], "tint[2]"), number(tint[3], "tint[3]")};
    if (!member(root, "entries", "the manifest").is_object() || !entriesRead) {
      throw ManifestError{"entries is not an object"};
    }
    const Json& cells = member(root, "cells", "the manifest");
    if (!cells.is_array()) throw ManifestError{"cells is not an array"};
    if (!cells.empty()) throw ManifestError{"cells holds something other than cells"};
  } catch (const ManifestError& error) {
    return error.message;
  } catch (const Json::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 3, ...": the library's tag dropped.
    std::string message = error.what();
    if (const auto end = message.find("] "); message.starts_with("[json.") && end != message.npos) {
      message.erase(0, end + 2);
    }
    return message;
  }
  return manifest;
}

}  // namespace host
