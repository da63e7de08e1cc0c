#include "host/snapshot_folder.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include "host/signals.hpp"

namespace host::snapshot {

namespace fs = std::filesystem;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::pair<int, int> pngSize(std::span<const std::uint8_t> png) {
  auto at = [&](std::size_t i) {
    int value = 0;
    for (std::size_t k = 0; k < 4; ++k) value = value << 8 | png[i + k];
    return value;
  };
  if (png.size() < 24) return {0, 0};
  return {at(16), at(20)};
}

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

std::string cellsWord(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " cell" : " cells");
}

CommandResult stoppedByASignal() {
  return {128 + stopSignal(), "stopped; the snapshot folder is as it was"};
}

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

std::variant<SnapshotManifest, std::string> readManifestIn(const fs::path& folder) {
  const fs::path file = folder / kManifestFileName;
  std::error_code error;
  const auto size = fs::file_size(file, error);
  if (error) return "cannot read " + file.string() + ": " + error.message();
  if (size > kMaxManifestBytes) return file.string() + " is over 256 MiB: not a manifest";
  std::ifstream in(file, std::ios::binary);
  if (!in) return "cannot read " + file.string() + ": " + std::strerror(errno);
  auto read = readSnapshotManifest(in);
  if (auto* wrong = std::get_if<std::string>(&read)) {
    return file.string() + " is not a snapshot manifest: " + *wrong;
  }
  return read;
}

}  // namespace host::snapshot
