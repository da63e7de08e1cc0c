#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "host/command_result.hpp"
#include "host/snapshot_manifest.hpp"

// What record and verify share of a snapshot folder: its files' names, how they are read, and
// how a run that a signal stops ends.
namespace host::snapshot {

// Thrown out of a cell when a signal asks the run to stop, so that no more cells are taken.
struct Stopped {};

// The hidden folder a run makes its files in, inside the snapshot folder.
inline const std::string kStagingStem = "snapshot";
// No manifest or golden of a widget comes near these; a larger file is not read.
inline constexpr std::uintmax_t kMaxManifestBytes = std::uintmax_t{256} << 20;
inline constexpr std::uintmax_t kMaxGoldenBytes = std::uintmax_t{64} << 20;

std::span<const std::uint8_t> bytesOf(const std::string& text);
// The pixel size a PNG's header declares.
std::pair<int, int> pngSize(std::span<const std::uint8_t> png);
// A file's bytes, or the errno that stopped reading it (EFBIG past `limit`).
std::variant<std::vector<std::uint8_t>, int> readFile(const std::filesystem::path& path,
                                                      std::uintmax_t limit);
std::string pictureName(std::string_view id);
std::string cellsWord(std::size_t count);
CommandResult stoppedByASignal();
// The manifest of the snapshot folder `folder`, or one line saying why it cannot be read (its
// file missing, over kMaxManifestBytes, unreadable or malformed), naming the file.
std::variant<SnapshotManifest, std::string> readManifestIn(const std::filesystem::path& folder);
// The names of the pictures in `folder` that the manifest does not list.
std::vector<std::string> unlistedPictures(const std::filesystem::path& folder,
                                          const std::vector<SnapshotCell>& cells);

}  // namespace host::snapshot
