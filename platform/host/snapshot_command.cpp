#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
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
#include "host/snapshot_manifest.hpp"
#include "host/snapshot_report.hpp"
#include "host/staging_folder.hpp"

namespace host {
namespace {

namespace fs = std::filesystem;

// Thrown out of a cell when a signal asks the run to stop, so that no more cells are taken.
struct Stopped {};

// The hidden folder a run makes its files in, inside the snapshot folder.
const std::string kStagingStem = "snapshot";
// No manifest or golden of a widget comes near these; a larger file is not read.
constexpr std::uintmax_t kMaxManifestBytes = std::uintmax_t{256} << 20;
constexpr std::uintmax_t kMaxGoldenBytes = std::uintmax_t{64} << 20;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The pixel size a PNG's header declares.
std::pair<int, int> pngSize(std::span<const std::uint8_t> png) {
  auto at = [&](std::size_t i) {
    int value = 0;
    for (std::size_t k = 0; k < 4; ++k) value = value << 8 | png[i + k];
    return value;
  };
  if (png.size() < 24) return {0, 0};
  return {at(16), at(20)};
}

// A file's bytes, or the errno that stopped reading it (EFBIG past `limit`).
std::variant<std::vector<std::uint8_t>, int> readFile(const fs::path& path, std::uintmax_t limit) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  if (error) return error.value();
  if (size > limit) return EFBIG;
  std::ifstream in(path, std::ios::binary);
  if (!in) return errno != 0 ? errno : EIO;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) return EIO;
  return bytes;
}

std::string pictureName(std::string_view id) {
  return std::string(id) + ".png";
}

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

std::string cellsWord(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " cell" : " cells");
}

CommandResult stoppedByASignal() {
  return {128 + stopSignal(), "stopped; the snapshot folder is as it was"};
}

// The names of the pictures in `folder` that the manifest does not list.
std::vector<std::string> unlistedPictures(const fs::path& folder,
                                          const std::vector<SnapshotCell>& cells) {
  std::unordered_map<std::string_view, bool> listed;
  for (const SnapshotCell& cell : cells) listed.emplace(cell.id, true);
  std::vector<std::string> unlisted;
  std::error_code error;
  for (fs::directory_iterator entries(folder, error); !error && entries != fs::directory_iterator();
       entries.increment(error)) {
    const std::string name = entries->path().filename().string();
    if (!name.ends_with(".png") || name.starts_with(".") || !entries->is_regular_file()) continue;
    if (!listed.contains(std::string_view(name).substr(0, name.size() - 4))) {
      unlisted.push_back(name);
    }
  }
  std::sort(unlisted.begin(), unlisted.end());
  return unlisted;
}

CommandResult record(const CommandContext& context, const fs::path& folder) {
  auto planned = matrixOf(context);
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const Matrix& matrix = std::get<Matrix>(planned);
  const std::vector<MatrixCell> cells = cellsOf(matrix);
  if (cells.empty()) {
    return CommandResult::usage("the matrix has no cells: StandBy shows the small family only");
  }
  {
    std::set<std::string> ids;
    for (const MatrixCell& cell : cells) {
      std::string id = cell.id(matrix);
      if (!isSnapshotId(id)) {
        return CommandResult::usage("the cell '" + id.substr(0, 120) +
                                    "' cannot name a file: locales of letters, digits and _ - @ "
                                    "= ; only");
      }
      if (!ids.insert(std::move(id)).second) {
        return CommandResult::usage("the matrix has the cell " + cell.id(matrix) +
                                    " twice: give each value once");
      }
    }
  }
  const bool drawsValues = std::any_of(matrix.entries.begin(), matrix.entries.end(),
                                       [](const MatrixEntry& e) { return !e.placeholder; });
  if (drawsValues && context.configuration.entryFields.empty()) {
    return CommandResult::failure(
        "the widget's entry has no fields the host can set, so its pictures could not be drawn "
        "again from recorded values: only --entry placeholder can be recorded");
  }

  std::error_code error;
  const fs::path manifestFile = folder / kManifestFileName;
  // The previous recording's pictures by id, with their hashes.
  std::unordered_map<std::string, foundation::Sha256> previous;
  if (fs::exists(manifestFile, error)) {
    std::ifstream in(manifestFile, std::ios::binary);
    auto recorded = readSnapshotManifest(in);
    if (auto* wrong = std::get_if<std::string>(&recorded)) {
      return CommandResult::failure(manifestFile.string() + " is not a snapshot manifest (" +
                                    *wrong + "): remove it to record afresh");
    }
    for (SnapshotCell& cell : std::get<SnapshotManifest>(recorded).cells) {
      previous.emplace(std::move(cell.id), cell.sha256);
    }
  } else if (fs::exists(fs::symlink_status(folder, error))) {
    if (!fs::is_directory(folder, error)) {
      return CommandResult::failure(folder.string() + " is not a folder");
    }
    for (fs::directory_iterator entries(folder, error);
         !error && entries != fs::directory_iterator(); entries.increment(error)) {
      if (!entries->path().filename().string().starts_with("." + kStagingStem + "-")) {
        return CommandResult::failure(folder.string() + " holds files and no " +
                                      std::string(kManifestFileName) +
                                      ": record into a new or empty folder, or a snapshot folder");
      }
    }
  }
  if (auto failure = context.checkStore()) return *failure;

  const std::vector<AnyEntry> entries = entriesOf(context, matrix);
  SnapshotManifest manifest;
  manifest.kind = context.configuration.kind;
  manifest.scale = matrix.scale;
  manifest.tint = matrix.tint;
  std::vector<ui::View> views;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!matrix.entries[i].placeholder && (!entries[i].withFields || !entries[i].withDate)) {
      return CommandResult::failure("the entry " + matrix.entries[i].name +
                                    " cannot be drawn again from its values");
    }
    manifest.entries.push_back({matrix.entries[i].name, matrix.entries[i].placeholder,
                                entries[i].date, entries[i].fields});
    views.push_back(context.configuration.content(entries[i]));
  }

  // From here a signal only asks the run to stop, so that what it made is removed.
  const StopOnSignal stopOnSignal;
  auto created = StagingFolder::create(folder, kStagingStem);
  if (auto* failure = std::get_if<std::string>(&created)) return CommandResult::failure(*failure);
  const auto& staging = std::get<std::unique_ptr<StagingFolder>>(created);

  // Per cell only what the picture gave: the rest of its record is the matrix's.
  struct Recorded {
    foundation::Sha256 sha256;
    int width = 0;
    int height = 0;
    bool written = false;  // false: the golden there already holds these bytes
  };
  std::vector<Recorded> recorded(cells.size());
  ProgressLine progress(context.io.err, context.io.errIsTerminal, "record", cells.size());
  try {
    forEachCell(cells.size(), 0, [&](std::size_t i) {
      if (stopRequested()) throw Stopped{};
      const MatrixCell& cell = cells[i];
      const std::string png =
          context.renderer
              .render({{views[cell.entry], environmentOf(cell, matrix, context.userEnvironment)}},
                      OutputFormat::png, {}, 1)
              .front();
      const auto bytes = bytesOf(png);
      const auto [width, height] = pngSize(bytes);
      const std::string id = cell.id(matrix);
      recorded[i] = {foundation::Sha256::of(bytes), width, height, true};
      // A picture that has not changed is left as it is, file and all: a new recording of an
      // unchanged widget writes nothing but its manifest.
      if (const auto old = previous.find(id);
          old != previous.end() && old->second == recorded[i].sha256) {
        const auto golden = readFile(folder / pictureName(id), kMaxGoldenBytes);
        const auto* kept = std::get_if<std::vector<std::uint8_t>>(&golden);
        recorded[i].written = kept == nullptr || foundation::Sha256::of(*kept) != old->second;
      }
      if (recorded[i].written) {
        if (auto failed = staging->write(pictureName(id), bytes)) {
          throw std::runtime_error(*failed);
        }
      }
      progress.advance();
    });
  } catch (const Stopped&) {
    progress.finish();
    return stoppedByASignal();
  }
  progress.finish();
  if (stopRequested()) return stoppedByASignal();

  auto written = staging->write(std::string(kManifestFileName), [&](std::ostream& out) {
    writeSnapshotManifest(out, manifest, cells.size(), [&](std::size_t i) {
      SnapshotCell cell = snapshotCell(cells[i], matrix);
      cell.sha256 = recorded[i].sha256;
      cell.width = recorded[i].width;
      cell.height = recorded[i].height;
      return cell;
    });
  });
  if (written) return CommandResult::failure(*written);
  // The pictures first, the manifest that names them last.
  std::vector<std::string> names;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string id = cells[i].id(matrix);
    if (recorded[i].written) names.push_back(pictureName(id));
    previous.erase(id);
  }
  names.emplace_back(kManifestFileName);
  if (auto failed = staging->moveInto(folder, names)) return CommandResult::failure(*failed);
  // What is left of the previous recording: the pictures of cells the matrix no longer has.
  for (const auto& [id, sha256] : previous) fs::remove(folder / pictureName(id), error);
  context.io.err << "recorded " << cellsWord(cells.size()) << " in " << folder.string() << "\n";
  context.io.err.flush();
  return CommandResult::ok();
}

// A cell verify compares: a recorded one, or one the command line asks for that is not recorded.
struct VerifyItem {
  std::size_t recorded = 0;  // in the manifest's cells, when `asked` is empty
  std::optional<SnapshotCell> asked;
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
    for (std::size_t i = 0; i < manifest.cells.size(); ++i) items.push_back({i, std::nullopt});
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
                  items.push_back({found->second, std::nullopt});
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
                items.push_back({0, std::move(cell)});
              }
            }
          }
        }
      }
    }
  }
  return items;
}

CommandResult verify(const CommandContext& context, const fs::path& folder) {
  const auto started = std::chrono::steady_clock::now();
  const fs::path manifestFile = folder / kManifestFileName;
  std::error_code error;
  const auto size = fs::file_size(manifestFile, error);
  if (error) {
    return CommandResult::failure("cannot read " + manifestFile.string() + ": " + error.message() +
                                  (error == std::errc::no_such_file_or_directory
                                       ? " (record first: snapshot record DIR)"
                                       : ""));
  }
  if (size > kMaxManifestBytes) {
    return CommandResult::failure(manifestFile.string() + " is over 256 MiB: not a manifest");
  }
  std::ifstream in(manifestFile, std::ios::binary);
  if (!in) {
    return CommandResult::failure("cannot read " + manifestFile.string() + ": " +
                                  std::strerror(errno));
  }
  auto read = readSnapshotManifest(in);
  if (auto* wrong = std::get_if<std::string>(&read)) {
    return CommandResult::failure(manifestFile.string() + " is not a snapshot manifest: " + *wrong);
  }
  SnapshotManifest& manifest = std::get<SnapshotManifest>(read);
  if (manifest.kind != context.configuration.kind) {
    return CommandResult::failure(manifestFile.string() + " was recorded for the widget " +
                                  manifest.kind + ", not " + context.configuration.kind +
                                  " (--kind chooses the widget)");
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

}  // namespace

CommandResult snapshotCommand(const CommandContext& context) {
  // The host holds malloc to one arena and maps every block of 32 KB or more afresh, for the
  // footprint of a single render (runHostProcess). A matrix draws thousands of pictures on every
  // core: one arena is then a lock all the threads wait on, and each picture's buffers mapped,
  // faulted in and unmapped cost about as much as drawing it. A run keeps an arena per thread
  // and its freed buffers for the next picture: memory stays that of the pictures in flight.
  const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  mallopt(M_ARENA_MAX, threads);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  const SnapshotRequest& request = *context.line.snapshotRequest;
  return request.verb == SnapshotVerb::record ? record(context, request.folder)
                                              : verify(context, request.folder);
}

}  // namespace host
