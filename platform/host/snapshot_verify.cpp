#include "host/snapshot_verify.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string_view>
#include <type_traits>
#include <unordered_map>

#include "foundation/locale.hpp"
#include "foundation/sha256.hpp"
#include "host/commands.hpp"
#include "host/matrix.hpp"
#include "host/progress_line.hpp"
#include "host/provider_contract.hpp"
#include "host/signals.hpp"
#include "host/snapshot_comparison.hpp"
#include "host/snapshot_folder.hpp"
#include "host/snapshot_manifest.hpp"
#include "host/snapshot_report.hpp"
#include "host/staging_folder.hpp"

namespace host {
namespace {

namespace fs = std::filesystem;
using namespace snapshot;

// The cell's inputs as the report shows and groups them.
std::vector<SnapshotInput> inputsOf(const SnapshotCell& cell, std::string_view entry) {
  return {{"device", cell.device},
          {"family", std::string(shortName(cell.family))},
          {"context", std::string(toString(cell.context))},
          {"appearance", std::string(toString(cell.appearance))},
          {"locale", cell.locale},
          {"textSize", std::string(ui::toString(cell.textSize))},
          {"entry", std::string(entry)}};
}

// Why a recorded cell can no longer be drawn; nothing when it can.
std::optional<std::string> whyNotDrawable(const CommandContext& context, const SnapshotCell& cell) {
  if (deviceNamed(cell.device) == nullptr) {
    return "no phone '" + cell.device + "' in the table ('devices' lists them)";
  }
  const auto families = context.configuration.families();
  if (std::find(families.begin(), families.end(), cell.family) == families.end()) {
    return "the widget does not offer the " + std::string(shortName(cell.family)) + " family";
  }
  if (!shows(cell.context, cell.family)) {
    return std::string(toString(cell.context)) + " shows the small family only";
  }
  if (!foundation::Locale(cell.locale).hasKnownLanguage()) {
    return "the locale '" + cell.locale + "' has a language ICU does not know";
  }
  return std::nullopt;
}

// The widget's entries as recorded: asked of nothing but the provider's placeholder, with the
// recorded values and date put in. Nothing when the entry type cannot take them.
std::optional<std::vector<AnyEntry>> recordedEntries(const CommandContext& context,
                                                     const SnapshotManifest& manifest) {
  const WidgetFamily family =
      manifest.cells.empty() ? WidgetFamily::systemSmall : manifest.cells.front().family;
  const AnyEntry base = requestPlaceholder(context.configuration.provider,
                                           context.providerContext(family), context.reporter());
  std::vector<AnyEntry> entries;
  for (const SnapshotEntry& recorded : manifest.entries) {
    if (!base.withFields || !base.withDate) return std::nullopt;
    entries.push_back(base.withFields(recorded.values).withDate(recorded.date));
  }
  return entries;
}

// A cell verify compares: a recorded one, or one the command line asks for that is not recorded.
struct VerifyItem {
  std::size_t recorded = 0;                   // in the manifest's cells, when `asked` is empty
  std::unique_ptr<const SnapshotCell> asked;  // held apart: most cells are recorded ones
};

// The cells the command line's matrix options choose: for each axis the values given, else
// every value recorded; the recorded cells among them, and those that are not.
std::variant<std::vector<VerifyItem>, CommandResult> itemsToVerify(const CommandContext& context,
                                                                   const SnapshotManifest& manifest,
                                                                   bool& filtered) {
  const CommandLine& line = context.line;
  filtered = !line.devices.empty() || !line.families.empty() || !line.contexts.empty() ||
             !line.appearances.empty() || line.locales || !line.textSizes.empty() ||
             !line.entries.empty();
  std::vector<VerifyItem> items;
  if (!filtered) {
    for (std::size_t i = 0; i < manifest.cells.size(); ++i) items.push_back({i, nullptr});
    return items;
  }
  // Each axis's recorded values, in the order they first appear.
  auto recorded = [&](auto valueOf) {
    std::vector<std::decay_t<decltype(valueOf(manifest.cells.front()))>> values;
    for (const SnapshotCell& cell : manifest.cells) {
      const auto value = valueOf(cell);
      if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
    }
    return values;
  };
  std::vector<std::string> devices;
  for (const Device* device : line.devices) devices.emplace_back(device->name);
  if (devices.empty()) devices = recorded([](const SnapshotCell& c) { return c.device; });
  auto families = line.families;
  if (families.empty()) families = recorded([](const SnapshotCell& c) { return c.family; });
  auto contexts = line.contexts;
  if (contexts.empty()) contexts = recorded([](const SnapshotCell& c) { return c.context; });
  auto appearances = line.appearances;
  if (appearances.empty()) {
    appearances = recorded([](const SnapshotCell& c) { return c.appearance; });
  }
  std::vector<std::string> locales;
  if (line.locales) {
    auto given = fitLocales(line.locales, context.userEnvironment.locale);
    if (auto* failure = std::get_if<CommandResult>(&given)) return *failure;
    locales = std::get<std::vector<std::string>>(given);
  } else {
    locales = recorded([](const SnapshotCell& c) { return c.locale; });
  }
  auto sizes = line.textSizes;
  if (sizes.empty()) sizes = recorded([](const SnapshotCell& c) { return c.textSize; });
  // An entry by its name: verify draws the recorded values, whatever the command line gives.
  std::vector<std::string> entries;
  for (const std::string& spec : line.entries) entries.push_back(spec.substr(0, spec.find(':')));
  if (entries.empty()) {
    for (const SnapshotEntry& entry : manifest.entries) entries.push_back(entry.name);
  }

  std::unordered_map<std::string_view, std::size_t> byId;
  for (std::size_t i = 0; i < manifest.cells.size(); ++i) byId.emplace(manifest.cells[i].id, i);
  for (const auto& device : devices) {
    for (const auto family : families) {
      for (const auto place : contexts) {
        if (!shows(place, family)) continue;
        for (const auto appearance : appearances) {
          for (const auto& locale : locales) {
            for (const auto size : sizes) {
              for (const auto& entry : entries) {
                std::string id = snapshotId(device, family, place, appearance, locale, size, entry);
                if (const auto found = byId.find(id); found != byId.end()) {
                  items.push_back({found->second, nullptr});
                  continue;
                }
                if (!isSnapshotId(id)) {
                  return CommandResult::usage("the cell '" + id.substr(0, 120) +
                                              "' cannot name a file");
                }
                SnapshotCell cell;
                cell.id = std::move(id);
                cell.device = device;
                cell.family = family;
                cell.context = place;
                cell.appearance = appearance;
                cell.locale = locale;
                cell.textSize = size;
                const auto recordedEntry =
                    std::find_if(manifest.entries.begin(), manifest.entries.end(),
                                 [&](const SnapshotEntry& e) { return e.name == entry; });
                cell.entry = static_cast<std::size_t>(recordedEntry - manifest.entries.begin());
                items.push_back({0, std::make_unique<const SnapshotCell>(std::move(cell))});
              }
            }
          }
        }
      }
    }
  }
  return items;
}

}  // namespace

CommandResult verifySnapshots(const CommandContext& context, const fs::path& folder) {
  const auto started = std::chrono::steady_clock::now();
  auto read = readManifestIn(folder);
  if (auto* wrong = std::get_if<std::string>(&read)) {
    const bool missing = !fs::exists(folder / kManifestFileName);
    return CommandResult::failure(*wrong + (missing ? " (record first: snapshot record DIR)" : ""));
  }
  SnapshotManifest& manifest = std::get<SnapshotManifest>(read);
  if (manifest.kind != context.configuration.kind) {
    return CommandResult::failure((folder / kManifestFileName).string() +
                                  " was recorded for the widget " + manifest.kind + ", not " +
                                  context.configuration.kind + " (--kind chooses the widget)");
  }
  bool filtered = false;
  auto chosen = itemsToVerify(context, manifest, filtered);
  if (auto* failure = std::get_if<CommandResult>(&chosen)) return *failure;
  const std::vector<VerifyItem>& items = std::get<std::vector<VerifyItem>>(chosen);
  const auto entries = recordedEntries(context, manifest);
  if (!entries) {
    return CommandResult::failure(
        "the widget's entry cannot be set from recorded values: its snapshots cannot be drawn");
  }
  std::vector<ui::View> views;
  for (const AnyEntry& entry : *entries) views.push_back(context.configuration.content(entry));
  const Matrix matrix = manifest.matrix();
  const ui::PictureTolerance tolerance{
      context.line.threshold.value_or(ui::PictureTolerance{}.threshold),
      static_cast<std::size_t>(
          context.line.allowedPixels.value_or(ui::PictureTolerance{}.allowedPixels))};
  const bool update = context.line.update;

  const StopOnSignal stopOnSignal;
  auto opened = SnapshotReport::open(context.line.report ? fs::path(*context.line.report)
                                                         : folder / "report");
  if (auto* failure = std::get_if<std::string>(&opened)) return CommandResult::failure(*failure);
  SnapshotReport& report = *std::get<std::unique_ptr<SnapshotReport>>(opened);
  std::unique_ptr<StagingFolder> staging;
  if (update) {
    auto created = StagingFolder::create(folder, kStagingStem);
    if (auto* failure = std::get_if<std::string>(&created)) {
      return CommandResult::failure(*failure);
    }
    staging = std::move(std::get<std::unique_ptr<StagingFolder>>(created));
  }
  const std::vector<std::string> unlisted =
      filtered ? std::vector<std::string>{} : unlistedPictures(folder, manifest.cells);

  // Per cell what --update needs: its new picture's record, or that it leaves the manifest.
  struct Verified {
    SnapshotOutcome outcome = SnapshotOutcome::same;
    foundation::Sha256 sha256;
    int width = 0;
    int height = 0;
  };
  std::vector<Verified> verified(items.size());
  // One line per failing cell for the log, by the cell's place in the run.
  std::mutex linesMutex;
  std::vector<std::pair<std::size_t, std::string>> failingLines;
  ProgressLine progress(context.io.err, context.io.errIsTerminal, "verify", items.size());
  auto check = [&](std::size_t i) {
    if (stopRequested()) throw Stopped{};
    const VerifyItem& item = items[i];
    const SnapshotCell& cell = item.asked ? *item.asked : manifest.cells[item.recorded];
    const bool entryRecorded = cell.entry < manifest.entries.size();
    SnapshotCellReport result{
        i,
        cell.id,
        inputsOf(cell, entryRecorded ? std::string_view(manifest.entries[cell.entry].name)
                                     : std::string_view(cell.id).substr(cell.id.rfind('.') + 1)),
        SnapshotOutcome::same,
        {},
        {}};
    auto finish = [&](SnapshotOutcome outcome, const SnapshotPictures& pictures = {}) {
      result.outcome = outcome;
      verified[i].outcome = outcome;
      if (!passed(outcome)) {
        std::string line = std::string(describe(outcome)) + ": " + result.id;
        if (!result.detail.empty()) line += " (" + result.detail + ")";
        if (outcome == SnapshotOutcome::differs) {
          line += " (" + std::to_string(result.difference.differingPixels) + " pixels)";
        }
        std::lock_guard lock(linesMutex);
        failingLines.emplace_back(i, std::move(line));
      }
      if (auto failed = report.add(std::move(result), pictures)) throw std::runtime_error(*failed);
      progress.advance();
    };
    const auto undrawable = whyNotDrawable(context, cell);
    if (item.asked && (!entryRecorded || undrawable || !update)) {
      result.detail = !entryRecorded ? "its entry is not recorded"
                                     : undrawable.value_or("in the matrix asked for");
      return finish(SnapshotOutcome::notRecorded);
    }
    if (undrawable) {
      result.detail = *undrawable;
      return finish(SnapshotOutcome::cannotDraw);
    }
    const std::optional<MatrixCell> drawn = matrixCell(cell);
    const std::string png =
        context.renderer
            .render({{views[cell.entry], environmentOf(*drawn, matrix, context.userEnvironment)}},
                    OutputFormat::png, {}, 1)
            .front();
    const auto actual = bytesOf(png);
    const foundation::Sha256 sha256 = foundation::Sha256::of(actual);
    const auto [width, height] = pngSize(actual);
    verified[i].sha256 = sha256;
    verified[i].width = width;
    verified[i].height = height;
    auto keep = [&] {
      if (!update) return;
      if (auto failed = staging->write(pictureName(cell.id), actual)) {
        throw std::runtime_error(*failed);
      }
    };
    if (item.asked) {  // not recorded, drawn for --update
      keep();
      result.detail = "recorded now (--update)";
      return finish(SnapshotOutcome::notRecorded, {{}, actual, {}});
    }
    const auto golden = readFile(folder / pictureName(cell.id), kMaxGoldenBytes);
    if (const int* failed = std::get_if<int>(&golden)) {
      keep();
      if (*failed == ENOENT) return finish(SnapshotOutcome::missing, {{}, actual, {}});
      result.detail = std::strerror(*failed);
      return finish(SnapshotOutcome::unreadable, {{}, actual, {}});
    }
    const std::vector<std::uint8_t>& expected = std::get<std::vector<std::uint8_t>>(golden);
    SnapshotComparison comparison = compareSnapshot(expected, actual, tolerance);
    result.difference = comparison.difference;
    result.detail = comparison.detail;
    if (passed(comparison.outcome)) {
      // The golden must still be the recorded one: the hash of its bytes is the manifest's.
      const bool same = comparison.outcome == SnapshotOutcome::same;
      if ((same ? sha256 : foundation::Sha256::of(expected)) == cell.sha256) {
        return finish(comparison.outcome);
      }
      keep();
      result.detail = "its hash is not the manifest's: the golden was replaced outside record";
      return finish(SnapshotOutcome::stale,
                    same ? SnapshotPictures{} : SnapshotPictures{expected, actual, {}});
    }
    keep();
    finish(comparison.outcome, {expected, actual, comparison.diff});
  };
  try {
    forEachCell(items.size(), 0, check);
  } catch (const Stopped&) {
    progress.finish();
    return stoppedByASignal();
  }
  progress.finish();
  if (stopRequested()) return stoppedByASignal();
  for (const std::string& name : unlisted) {
    SnapshotCellReport result{items.size(), name.substr(0, name.size() - 4),
                              {},           SnapshotOutcome::unlisted,
                              {},           "a picture in the folder"};
    failingLines.emplace_back(items.size(), std::string(describe(result.outcome)) + ": " + name);
    const auto bytes = readFile(folder / name, kMaxGoldenBytes);
    const auto* expected = std::get_if<std::vector<std::uint8_t>>(&bytes);
    if (auto failed = report.add(std::move(result),
                                 {expected ? *expected : std::vector<std::uint8_t>{}, {}, {}})) {
      return CommandResult::failure(*failed);
    }
  }

  // What --update changes: the goldens of the failing cells drawn now, the cells that cannot be
  // drawn left out, the cells asked for and now recorded added, unlisted pictures removed.
  std::size_t updated = 0;
  std::size_t stillFailing = 0;
  for (const Verified& v : verified) {
    if (passed(v.outcome)) continue;
    const bool repairable = update && v.width > 0;
    updated += repairable ? 1 : 0;
    stillFailing += repairable || (update && v.outcome == SnapshotOutcome::cannotDraw) ? 0 : 1;
  }
  if (update) {
    std::vector<std::string> names;
    std::vector<std::size_t> dropped;
    std::vector<bool> leaves(manifest.cells.size(), false);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const Verified& v = verified[i];
      if (passed(v.outcome)) continue;
      if (items[i].asked) {
        if (v.width == 0) continue;
        SnapshotCell cell = *items[i].asked;
        cell.sha256 = v.sha256, cell.width = v.width, cell.height = v.height;
        names.push_back(pictureName(cell.id));
        manifest.cells.push_back(std::move(cell));
        continue;
      }
      SnapshotCell& cell = manifest.cells[items[i].recorded];
      if (v.outcome == SnapshotOutcome::cannotDraw) {
        leaves[items[i].recorded] = true;
        continue;
      }
      cell.sha256 = v.sha256, cell.width = v.width, cell.height = v.height;
      names.push_back(pictureName(cell.id));
    }
    std::vector<SnapshotCell> kept;
    std::vector<std::string> removed = unlisted;
    for (std::size_t i = 0; i < manifest.cells.size(); ++i) {
      if (i < leaves.size() && leaves[i]) {
        removed.push_back(pictureName(manifest.cells[i].id));
      } else {
        kept.push_back(std::move(manifest.cells[i]));
      }
    }
    manifest.cells = std::move(kept);
    auto written = staging->write(std::string(kManifestFileName),
                                  [&](std::ostream& out) { writeSnapshotManifest(out, manifest); });
    if (written) return CommandResult::failure(*written);
    names.emplace_back(kManifestFileName);
    if (auto failed = staging->moveInto(folder, names)) return CommandResult::failure(*failed);
    std::error_code error;  // a picture not removed fails the next verify as a stray one
    for (const std::string& name : removed) fs::remove(folder / name, error);
    updated += unlisted.size();
  } else {
    stillFailing += unlisted.size();
  }

  SnapshotSummary summary;
  summary.title = "snapshots " + folder.string();
  summary.goldens = folder;
  summary.tolerance = tolerance;
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  summary.updated = updated;
  const std::size_t failures = report.failures();
  if (auto failed = report.finish(summary)) return CommandResult::failure(*failed);

  std::size_t close = 0;
  for (const Verified& v : verified) close += v.outcome == SnapshotOutcome::close ? 1 : 0;
  std::ostream& out = context.io.out;
  std::sort(failingLines.begin(), failingLines.end());
  for (const auto& [order, line] : failingLines) out << line << "\n";
  out << "verified " << cellsWord(items.size()) << " of " << folder.string() << ": ";
  if (failures == 0) {
    out << "all match";
    if (close > 0) out << " (" << close << " within the tolerance)";
  } else {
    out << failures << " fail";
    if (update) out << ", " << updated << " rewritten";
  }
  out << "; report " << (report.folder() / "index.html").string() << "\n";
  out.flush();
  if (!out) return CommandResult::failure("cannot write standard output");
  return CommandResult{stillFailing == 0 ? 0 : 1, ""};
}

}  // namespace host
