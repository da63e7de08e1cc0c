#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/any_entry.hpp"
#include "host/command_line.hpp"
#include "host/device.hpp"
#include "host/rendering_context.hpp"
#include "ui/environment/render_environment.hpp"

namespace host {

// An entry a matrix draws: the store's current one, the placeholder (drawn redacted, as while
// loading), or the current one with some of its fields given, under a name of the user's.
struct MatrixEntry {
  std::string name;
  bool placeholder = false;
  std::vector<EntryField> values;  // in place of the current entry's
  friend bool operator==(const MatrixEntry&, const MatrixEntry&) = default;
};

// --entry: "current", "placeholder", or NAME:FIELD=X,FIELD=Y with fields of the widget's entry
// (`entryFields`). Says what was expected when the text is none of them.
std::variant<MatrixEntry, std::string> parseMatrixEntry(std::string_view text,
                                                        std::span<const std::string> entryFields);

// Every combination of phones, families, places, appearances, locales, text sizes and entries
// that a command renders or checks at once.
struct Matrix {
  std::vector<const Device*> devices;
  std::vector<WidgetFamily> families;
  std::vector<RenderingContext> contexts;
  std::vector<Appearance> appearances;
  std::vector<std::string> locales;
  std::vector<ui::DynamicTypeSize> textSizes;
  std::vector<MatrixEntry> entries;
  // Pixels per point of every picture; none: each phone's own.
  std::optional<double> scale;
  // The tint of the tinted home screen.
  ui::RGBA tint = kDefaultTint;
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

struct CommandContext;
struct CommandResult;
// The matrix the command line asks for: --devices (else --device, else the default phone),
// --family (else every family the widget supports), --contexts, --appearances, --locales (else
// the user's locale), --text-sizes (else --text-size), --entry (else the store's current entry),
// --scale and --tint. A bad value of one of them is a usage error.
std::variant<Matrix, CommandResult> matrixOf(const CommandContext& context);

// One combination, by its place on each axis.
struct MatrixCell {
  const Device* device = nullptr;
  WidgetFamily family = WidgetFamily::systemSmall;
  RenderingContext context = RenderingContext::home;
  Appearance appearance = Appearance::light;
  std::string locale;
  ui::DynamicTypeSize textSize = ui::DynamicTypeSize::large;
  std::size_t entry = 0;  // in Matrix::entries

  // "iphone-16.small.home.light.en_US.large.current": unique in its matrix, and a file name.
  std::string id(const Matrix& matrix) const;
  friend bool operator==(const MatrixCell&, const MatrixCell&) = default;
};

// The cells, axis by axis in the order above, leaving out what a place does not show (StandBy's
// medium family).
std::vector<MatrixCell> cellsOf(const Matrix& matrix);
// How many cells there are, and `count` of them from the `first`, in the same order: a command
// that works through a large matrix holds one slice of it at a time.
std::size_t cellCount(const Matrix& matrix);
std::vector<MatrixCell> cellsOf(const Matrix& matrix, std::size_t first, std::size_t count);

// The environment of a cell's picture: `user`'s string tables and the rest of what the cell does
// not set, in the cell's locale, text size and appearance, on its phone and place at the matrix's
// scale, redacted for the placeholder.
ui::RenderEnvironment environmentOf(const MatrixCell& cell, const Matrix& matrix,
                                    const ui::RenderEnvironment& user);

// The entries the matrix draws, asked of the widget's provider once (the current entry from a
// timeline request, with --<field> values in place where given; the placeholder; the current
// entry with a named entry's values).
std::vector<AnyEntry> entriesOf(const CommandContext& context, const Matrix& matrix);

// Calls `work` once for each of `count` cells, on `threads` threads at once (0: one for each
// core), the caller's among them; each takes the next cell not taken. An exception a call throws
// stops the others taking cells and is thrown again here once they are done.
void forEachCell(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work);

}  // namespace host
