#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ui/detail/font_cache.hpp"
#include "ui/font_set.hpp"

namespace {

namespace fs = std::filesystem;

struct ConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using ConfigPtr = std::unique_ptr<FcConfig, ConfigDeleter>;

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "pocketta-fonts-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Loads `files` into a fresh configuration and answers its application fonts, unparsed, in
// order (or the failure).
std::vector<std::string> load(const std::vector<std::string>& files, const fs::path& cache,
                              std::optional<std::string>* failure = nullptr) {
  ConfigPtr config{FcConfigCreate()};
  const std::optional<std::string> missing = ui::detail::addFontFiles(config.get(), files, cache);
  if (failure != nullptr) *failure = missing;
  std::vector<std::string> faces;
  if (FcFontSet* set = FcConfigGetFonts(config.get(), FcSetApplication)) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* name = FcNameUnparse(set->fonts[i]);
      faces.emplace_back(reinterpret_cast<const char*>(name));
      std::free(name);
    }
  }
  return faces;
}

TEST(FontCache, cachedDescriptionsEqualScannedOnesAndBadCachesAreScannedAgain) {
  const TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const fs::path cache = folder.path() / "sub" / "fonts.cache";
  const std::vector<std::string> files = ui::fontSetFiles();
  const std::vector<std::string> scanned = load(files, {});
  ASSERT_GE(scanned.size(), files.size());

  EXPECT_EQ(load(files, cache), scanned);  // scans and writes the cache
  ASSERT_TRUE(fs::exists(cache));
  const auto written = fs::last_write_time(cache);
  EXPECT_EQ(load(files, cache), scanned);  // reads it, and leaves it be
  EXPECT_EQ(fs::last_write_time(cache), written);

  std::ifstream in(cache);
  const std::string whole{std::istreambuf_iterator<char>(in), {}};
  for (const std::string& bad :
       {std::string(), std::string("garbage\n"), whole.substr(0, whole.size() / 2),
        whole + "\ttrailing 1 2\n", whole.substr(0, whole.find('\n') + 1) + "/x\t-1 -1 999999\n"}) {
    std::ofstream(cache, std::ios::trunc) << bad;
    EXPECT_EQ(load(files, cache), scanned) << bad.substr(0, 80);
  }
  fs::remove(cache);
  fs::create_directory(cache);  // not a file: nothing to read, nothing written over it
  EXPECT_EQ(load(files, cache), scanned);
  EXPECT_TRUE(fs::is_directory(cache));
}

TEST(FontCache, aChangedFontIsScannedAgainAndAMissingOneIsNamed) {
  const TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const fs::path cache = folder.path() / "fonts.cache";
  const std::vector<std::string> files = ui::fontSetFiles();
  const std::string copy = (folder.path() / "copy.ttf").string();
  fs::copy_file(files.back(), copy);
  const std::vector<std::string> withCopy = {files.front(), copy};
  const std::vector<std::string> first = load(withCopy, cache);

  // Another font in the copy's place: its size and time change, so the cache entry is stale.
  fs::copy_file(files[3], copy, fs::copy_options::overwrite_existing);
  fs::last_write_time(copy, fs::last_write_time(copy) + std::chrono::seconds(5));
  EXPECT_EQ(load(withCopy, cache), load(withCopy, {}));
  EXPECT_NE(load(withCopy, cache), first);

  std::optional<std::string> failure;
  const std::string missing = (folder.path() / "missing.ttf").string();
  load({files.front(), missing}, cache, &failure);
  EXPECT_EQ(failure, missing);
  const std::string notAFont = (folder.path() / "fonts.cache").string();
  load({files.front(), notAFont}, {}, &failure);
  EXPECT_EQ(failure, notAFont);
  load({missing}, cache, &failure);
  EXPECT_EQ(failure, missing);
}

}  // namespace
