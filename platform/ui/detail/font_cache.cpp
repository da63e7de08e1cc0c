#include "ui/detail/font_cache.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string_view>

#include "foundation/atomic_file.hpp"

namespace ui::detail {

namespace {

// The first line of a cache; a cache from another fontconfig version is scanned afresh.
std::string header() {
  return "pocketta-font-cache 1 " + std::to_string(FcGetVersion());
}

struct FileStamp {
  long long size = -1;
  long long modifiedNs = -1;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct CachedFile {
  FileStamp stamp;
  std::vector<std::string> faces;  // each as FcNameUnparse writes it
};

std::optional<FileStamp> stampOf(const std::string& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileStamp{
      static_cast<long long>(info.st_size),
      static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

// FNV-1a: the last line of a cache holds it over everything before, so a cache cut short or
// damaged is scanned afresh rather than half believed.
std::string checksum(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : text) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  }
  std::ostringstream out;
  out << "end " << std::hex << hash;
  return out.str();
}

// Lines: the header, then per file "<path>\t<size> <mtime ns> <faces>" and one line per face,
// then the checksum line. Anything malformed gives an empty cache.
std::map<std::string, CachedFile> readCache(const std::filesystem::path& cacheFile) {
  if (cacheFile.empty()) return {};
  // The font set's cache is some tens of kilobytes; anything far larger is not one.
  std::error_code error;
  const auto size = std::filesystem::file_size(cacheFile, error);
  if (error || size > (4u << 20)) return {};
  std::ifstream file(cacheFile, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(file), {}};
  if (text.size() < 2 || text.back() != '\n') return {};
  const std::size_t lastLine = text.rfind('\n', text.size() - 2);
  if (lastLine == std::string::npos) return {};
  const std::string_view body = std::string_view(text).substr(0, lastLine + 1);
  if (text.substr(lastLine + 1, text.size() - lastLine - 2) != checksum(body)) return {};

  std::map<std::string, CachedFile> cache;
  std::istringstream in{std::string(body)};
  std::string line;
  if (!std::getline(in, line) || line != header()) return {};
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string path;
    CachedFile entry;
    std::size_t faces = 0;
    if (!std::getline(fields, path, '\t') ||
        !(fields >> entry.stamp.size >> entry.stamp.modifiedNs >> faces) || faces == 0 ||
        faces > 64) {
      return {};
    }
    for (std::size_t i = 0; i < faces && std::getline(in, line); ++i) {
      entry.faces.push_back(line);
    }
    if (entry.faces.size() != faces) return {};
    cache[path] = std::move(entry);
  }
  return cache;
}

void writeCache(const std::filesystem::path& cacheFile,
                const std::vector<std::pair<std::string, CachedFile>>& files) {
  std::ostringstream text;
  text << header() << '\n';
  for (const auto& [path, entry] : files) {
    text << path << '\t' << entry.stamp.size << ' ' << entry.stamp.modifiedNs << ' '
         << entry.faces.size() << '\n';
    for (const std::string& face : entry.faces) text << face << '\n';
  }
  text << checksum(text.str()) << '\n';

  std::error_code error;
  std::filesystem::create_directories(cacheFile.parent_path(), error);
  // A reader never sees half a cache; a cache that cannot be written is only slower next time.
  [[maybe_unused]] const auto failure = foundation::writeFileAtomically(cacheFile, text.str());
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

std::optional<std::vector<PatternPtr>> parseFaces(const CachedFile& entry) {
  std::vector<PatternPtr> patterns;
  for (const std::string& face : entry.faces) {
    PatternPtr pattern{FcNameParse(reinterpret_cast<const FcChar8*>(face.c_str()))};
    if (!pattern) return std::nullopt;
    patterns.push_back(std::move(pattern));
  }
  return patterns;
}

// The descriptions of every face in `file`, as fontconfig's own scan makes them; nothing for a
// file that holds no font, or a description that would not survive the cache's lines.
std::optional<std::pair<std::vector<PatternPtr>, std::vector<std::string>>> scanFaces(
    const std::string& file) {
  std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> set{FcFontSetCreate(), &FcFontSetDestroy};
  if (!set) return std::nullopt;
  int count = 0;
  FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(file.c_str()), static_cast<unsigned>(-1),
                     nullptr, &count, set.get());
  if (set->nfont == 0) return std::nullopt;
  std::vector<PatternPtr> patterns;
  std::vector<std::string> faces;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* pattern = set->fonts[i];
    FcPatternReference(pattern);
    patterns.emplace_back(pattern);
    std::unique_ptr<FcChar8, decltype(&std::free)> name{FcNameUnparse(pattern), &std::free};
    faces.emplace_back(name ? reinterpret_cast<const char*>(name.get()) : "");
  }
  return std::pair{std::move(patterns), std::move(faces)};
}

}  // namespace

std::optional<std::string> addFontFiles(FcConfig* config, const std::vector<std::string>& files,
                                        const std::filesystem::path& cacheFile) {
  if (files.empty()) return std::nullopt;
  // The first file is added the ordinary way, which makes the configuration's set of
  // application fonts; the others join that set as fontconfig's own scan adds them.
  if (!stampOf(files.front()) ||
      !FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(files.front().c_str()))) {
    return files.front();
  }
  FcFontSet* set = FcConfigGetFonts(config, FcSetApplication);
  if (set == nullptr) return files.front();

  const std::map<std::string, CachedFile> cache = readCache(cacheFile);
  std::vector<std::pair<std::string, CachedFile>> current;
  bool changed = false;
  for (auto file = files.begin() + 1; file != files.end(); ++file) {
    const std::optional<FileStamp> stamp = stampOf(*file);
    if (!stamp) return *file;
    std::optional<std::vector<PatternPtr>> patterns;
    CachedFile entry{*stamp, {}};
    if (auto found = cache.find(*file); found != cache.end() && found->second.stamp == *stamp) {
      patterns = parseFaces(found->second);
      if (patterns) entry.faces = found->second.faces;
    }
    if (!patterns) {
      auto scanned = scanFaces(*file);
      if (!scanned) return *file;
      patterns = std::move(scanned->first);
      entry.faces = std::move(scanned->second);
      changed = true;
    }
    for (PatternPtr& pattern : *patterns) {
      if (!FcFontSetAdd(set, pattern.get())) return *file;
      pattern.release();  // the set owns it now
    }
    // A description that would not come back whole from its line is not kept.
    const bool keepable =
        std::all_of(entry.faces.begin(), entry.faces.end(), [](const std::string& face) {
          return !face.empty() && face.find('\n') == std::string::npos;
        });
    if (keepable) current.emplace_back(*file, std::move(entry));
  }
  if (changed && !cacheFile.empty()) writeCache(cacheFile, current);
  return std::nullopt;
}

std::filesystem::path defaultFontCacheFile() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = std::filesystem::path(home) / ".cache";
  } else {
    return {};
  }
  return base / "pocketta" / "fonts.cache";
}

}  // namespace ui::detail
