#include <malloc.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <thread>
#include <unordered_map>

#include "foundation/sha256.hpp"
#include "host/commands.hpp"
#include "host/matrix.hpp"
#include "host/progress_line.hpp"
#include "host/signals.hpp"
#include "host/snapshot_folder.hpp"
#include "host/snapshot_manifest.hpp"
#include "host/snapshot_verify.hpp"
#include "host/staging_folder.hpp"

namespace host {
namespace {

namespace fs = std::filesystem;
using namespace snapshot;

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
    auto recorded = readManifestIn(folder);
    if (auto* wrong = std::get_if<std::string>(&recorded)) {
      return CommandResult::failure(*wrong + ": remove it to record afresh");
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
                                              : verifySnapshots(context, request.folder);
}

}  // namespace host
