#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/date.hpp"
#include "foundation/sha256.hpp"
#include "host/any_entry.hpp"
#include "host/matrix.hpp"

namespace host {

// An entry as recorded: verify draws it again from these values, never from the store.
struct SnapshotEntry {
  std::string name;
  bool placeholder = false;
  foundation::Date date;
  std::vector<EntryField> values;
  friend bool operator==(const SnapshotEntry&, const SnapshotEntry&) = default;
};

// A cell as recorded: its inputs as the command line names them, and its picture.
struct SnapshotCell {
  std::string id;  // MatrixCell::id; the picture is <id>.png
  std::string device;
  WidgetFamily family = WidgetFamily::systemSmall;
  RenderingContext context = RenderingContext::home;
  Appearance appearance = Appearance::light;
  std::string locale;
  ui::DynamicTypeSize textSize = ui::DynamicTypeSize::large;
  std::size_t entry = 0;  // in SnapshotManifest::entries
  int width = 0;          // in pixels
  int height = 0;
  foundation::Sha256 sha256;  // of the PNG file's bytes
  friend bool operator==(const SnapshotCell&, const SnapshotCell&) = default;
};

// What `snapshot record` writes beside the pictures, and `snapshot verify` draws from again.
struct SnapshotManifest {
  std::string kind;
  std::optional<double> scale;  // of every picture; none: each phone's
  ui::RGBA tint = kDefaultTint;
  std::vector<SnapshotEntry> entries;
  std::vector<SnapshotCell> cells;

  // The matrix the cells are reckoned in (their ids and environments): the entries, the scale
  // and the tint. Its axes are left empty: each cell names its own values.
  Matrix matrix() const;
  friend bool operator==(const SnapshotManifest&, const SnapshotManifest&) = default;
};

inline constexpr std::string_view kManifestFileName = "manifest.json";

// The cell as a SnapshotCell, without its picture; and back, when its phone is still one of
// the table's.
SnapshotCell snapshotCell(const MatrixCell& cell, const Matrix& matrix);
std::optional<MatrixCell> matrixCell(const SnapshotCell& cell);

// A cell's id from its inputs' names, as MatrixCell::id gives it.
std::string snapshotId(std::string_view device, WidgetFamily family, RenderingContext context,
                       Appearance appearance, std::string_view locale, ui::DynamicTypeSize textSize,
                       std::string_view entry);

// Whether `id` can name a picture in a snapshot folder: letters, digits and . _ - @ = ; + only
// (a locale's keywords), not starting with a dot, at most 200 characters.
bool isSnapshotId(std::string_view id);

// The manifest as JSON, an entry or a cell a line, so that a change of a few cells is a diff of
// a few lines:
//   {"snapshots": 1, "kind": ..., "scale": null | N, "tint": [r, g, b, a],
//    "entries": {NAME: {"placeholder", "date", "secondsSinceReferenceDate", "values": {...}}},
//    "cells": [{"id", "device", "family", "context", "appearance", "locale", "textSize",
//               "entry", "width", "height", "sha256"}]}
// Numbers are written so that they read back exactly.
void writeSnapshotManifest(std::ostream& out, const SnapshotManifest& manifest);
// The same for `count` cells given one at a time by `cell` (in place of manifest.cells), so that
// the cells of a large matrix are never all held in this form.
void writeSnapshotManifest(std::ostream& out, const SnapshotManifest& manifest, std::size_t count,
                           const std::function<SnapshotCell(std::size_t)>& cell);

// The manifest in `in`, or one line saying what is wrong with it. A cell is kept only in its
// compact form as soon as it is read, so a large manifest costs little more memory than its
// cells. A phone or locale that no longer exists is not an error here: the cell fails to draw.
std::variant<SnapshotManifest, std::string> readSnapshotManifest(std::istream& in);

}  // namespace host
