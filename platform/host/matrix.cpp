#include "host/matrix.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "foundation/locale.hpp"
#include "host/commands.hpp"

namespace host {
namespace {

bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

}  // namespace

std::variant<MatrixEntry, std::string> parseMatrixEntry(std::string_view text,
                                                        std::span<const std::string> entryFields) {
  const std::string expected =
      "current, placeholder, or NAME:FIELD=X,... with a name of letters, digits, - and _";
  if (text == "current") return MatrixEntry{"current", false, {}};
  if (text == "placeholder") return MatrixEntry{"placeholder", true, {}};
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 64) return expected;
  MatrixEntry entry{std::string(text.substr(0, colon)), false, {}};
  if (!std::all_of(entry.name.begin(), entry.name.end(), isNameCharacter) ||
      entry.name == "current" || entry.name == "placeholder") {
    return expected;
  }
  std::string_view rest = text.substr(colon + 1);
  while (!rest.empty()) {
    const std::string_view pair = rest.substr(0, rest.find(','));
    rest.remove_prefix(std::min(rest.size(), pair.size() + 1));
    const auto equals = pair.find('=');
    const std::string_view field = pair.substr(0, equals);
    if (equals == std::string_view::npos ||
        std::find(entryFields.begin(), entryFields.end(), field) == entryFields.end()) {
      std::string fields;
      for (const auto& name : entryFields) fields += (fields.empty() ? "" : ", ") + name;
      return "fields of the entry (" + fields + ") as FIELD=X";
    }
    double value = 0;
    const std::string_view number = pair.substr(equals + 1);
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) {
      return "a number for " + std::string(field);
    }
    entry.values.push_back({std::string(field), value});
  }
  if (entry.values.empty()) return expected;
  return entry;
}

std::string MatrixCell::id(const Matrix& matrix) const {
  return std::string(device->name) + "." + std::string(shortName(family)) + "." +
         std::string(toString(context)) + "." + std::string(toString(appearance)) + "." + locale +
         "." + std::string(ui::toString(textSize)) + "." + matrix.entries.at(entry).name;
}

std::vector<MatrixCell> cellsOf(const Matrix& matrix) {
  std::vector<MatrixCell> cells;
  for (const Device* device : matrix.devices) {
    for (const WidgetFamily family : matrix.families) {
      for (const RenderingContext context : matrix.contexts) {
        if (!shows(context, family)) continue;
        for (const Appearance appearance : matrix.appearances) {
          for (const std::string& locale : matrix.locales) {
            for (const ui::DynamicTypeSize size : matrix.textSizes) {
              for (std::size_t entry = 0; entry < matrix.entries.size(); ++entry) {
                cells.push_back({device, family, context, appearance, locale, size, entry});
              }
            }
          }
        }
      }
    }
  }
  return cells;
}

namespace {

// The families and places the matrix shows together, family first, as cellsOf orders them.
std::vector<std::pair<WidgetFamily, RenderingContext>> shownPairs(const Matrix& matrix) {
  std::vector<std::pair<WidgetFamily, RenderingContext>> pairs;
  for (const WidgetFamily family : matrix.families) {
    for (const RenderingContext context : matrix.contexts) {
      if (shows(context, family)) pairs.emplace_back(family, context);
    }
  }
  return pairs;
}

}  // namespace

std::size_t cellCount(const Matrix& matrix) {
  return matrix.devices.size() * shownPairs(matrix).size() * matrix.appearances.size() *
         matrix.locales.size() * matrix.textSizes.size() * matrix.entries.size();
}

std::vector<MatrixCell> cellsOf(const Matrix& matrix, std::size_t first, std::size_t count) {
  const auto pairs = shownPairs(matrix);
  const std::size_t total = cellCount(matrix);
  std::vector<MatrixCell> cells;
  for (std::size_t index = first; index < total && index - first < count; ++index) {
    // The index in mixed radix, the last axis varying fastest.
    std::size_t rest = index;
    auto digit = [&](std::size_t base) {
      const std::size_t d = rest % base;
      rest /= base;
      return d;
    };
    const std::size_t entry = digit(matrix.entries.size());
    const std::size_t size = digit(matrix.textSizes.size());
    const std::size_t locale = digit(matrix.locales.size());
    const std::size_t appearance = digit(matrix.appearances.size());
    const std::size_t pair = digit(pairs.size());
    const std::size_t device = rest;
    cells.push_back({matrix.devices[device], pairs[pair].first, pairs[pair].second,
                     matrix.appearances[appearance], matrix.locales[locale], matrix.textSizes[size],
                     entry});
  }
  return cells;
}

ui::RenderEnvironment environmentOf(const MatrixCell& cell, const Matrix& matrix,
                                    const ui::RenderEnvironment& user) {
  ui::RenderEnvironment environment = user;
  environment.locale = foundation::Locale(cell.locale);
  environment.layoutDirection = ui::RenderEnvironment::directionOf(environment.locale);
  environment.languages = {environment.locale.identifier()};
  environment.dynamicTypeSize = cell.textSize;
  environment.colorScheme =
      cell.appearance == Appearance::dark ? ui::ColorScheme::dark : ui::ColorScheme::light;
  environment.widgetFamily = cell.family;
  environment.displayScale = matrix.scale.value_or(cell.device->scale);
  environment.redacted = matrix.entries.at(cell.entry).placeholder;
  return inContext(std::move(environment), cell.context, *cell.device, matrix.tint);
}

std::variant<Matrix, CommandResult> matrixOf(const CommandContext& context) {
  const CommandLine& line = context.line;
  Matrix matrix;
  matrix.devices = line.devices;
  if (matrix.devices.empty()) matrix.devices = {&line.deviceOrDefault()};
  auto families = context.familiesToShow();
  if (auto* failure = std::get_if<CommandResult>(&families)) return *failure;
  matrix.families = std::get<std::vector<WidgetFamily>>(families);
  if (line.families.empty()) matrix.families = context.configuration.families();
  matrix.contexts = line.contexts;
  if (matrix.contexts.empty()) matrix.contexts = {line.renderingContextOrDefault()};
  matrix.appearances = line.appearances;
  if (matrix.appearances.empty()) matrix.appearances = {line.appearanceOrDefault()};
  auto locales = fitLocales(line.locales, context.userEnvironment.locale);
  if (auto* failure = std::get_if<CommandResult>(&locales)) return *failure;
  matrix.locales = std::get<std::vector<std::string>>(locales);
  matrix.textSizes = line.textSizes;
  if (matrix.textSizes.empty()) matrix.textSizes = {line.textSizeOrDefault()};
  for (const std::string& spec : line.entries) {
    auto entry = parseMatrixEntry(spec, context.configuration.entryFields);
    if (const auto* expected = std::get_if<std::string>(&entry)) {
      return CommandResult::usage("invalid value '" + spec.substr(0, 64) +
                                  "' for --entry (expected " + *expected + ")");
    }
    const auto& named = std::get<MatrixEntry>(entry);
    if (std::any_of(matrix.entries.begin(), matrix.entries.end(),
                    [&](const MatrixEntry& e) { return e.name == named.name; })) {
      return CommandResult::usage("--entry " + named.name + " given twice");
    }
    matrix.entries.push_back(named);
  }
  if (matrix.entries.empty()) matrix.entries = {MatrixEntry{"current", false, {}}};
  if (line.scale) matrix.scale = *line.scale;
  matrix.tint = line.tint.value_or(kDefaultTint);
  return matrix;
}

std::vector<AnyEntry> entriesOf(const CommandContext& context, const Matrix& matrix) {
  const WidgetFamily family =
      matrix.families.empty() ? WidgetFamily::systemSmall : matrix.families.front();
  const auto request = context.providerContext(family);
  AnyEntry current = context.currentEntry(request);
  if (!context.line.fieldValues.empty() && current.withFields) {
    std::vector<EntryField> fields;
    for (const auto& [name, value] : context.line.fieldValues) fields.push_back({name, value});
    current = current.withFields(fields);
  }
  std::vector<AnyEntry> entries;
  for (const MatrixEntry& entry : matrix.entries) {
    if (entry.placeholder) {
      entries.push_back(
          requestPlaceholder(context.configuration.provider, request, context.reporter()));
    } else if (!entry.values.empty() && current.withFields) {
      entries.push_back(current.withFields(entry.values));
    } else {
      entries.push_back(current);
    }
  }
  return entries;
}

void forEachCell(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t)>& work) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, count));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex errorMutex;
  std::exception_ptr error;
  auto run = [&] {
    for (std::size_t i = next++; i < count && !failed; i = next++) {
      try {
        work(i);
      } catch (...) {
        std::lock_guard lock(errorMutex);
        if (!error) error = std::current_exception();
        failed = true;
      }
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(run);
    run();
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace host
