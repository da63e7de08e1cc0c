#include "host/defaults_suite.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <istream>
#include <ostream>
#include <system_error>
#include <vector>

#include "foundation/atomic_file.hpp"
#include "foundation/property_list/binary_property_list_writer.hpp"
#include "foundation/property_list/property_list_document.hpp"
#include "foundation/property_list/xml_property_list_writer.hpp"
#include "foundation/user_defaults.hpp"
#include "host/defaults_text.hpp"
#include "host/signals.hpp"

namespace host {
namespace {

namespace fs = std::filesystem;
using foundation::PropertyListValue;
using Bytes = std::vector<std::uint8_t>;
using Dictionary = PropertyListValue::Dictionary;

constexpr std::uint64_t kMaxFileSize = foundation::UserDefaults::kMaxFileSize;

DefaultsResult failure(std::string message) {
  return DefaultsResult{1, std::move(message)};
}

std::string errnoText(int error) {
  return std::generic_category().message(error);
}

// All of a file or stream, or why not; one byte past the cap is enough to refuse it.
std::variant<Bytes, std::string> readCapped(std::istream& in) {
  Bytes bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > kMaxFileSize) return std::string("over the 64 MB cap");
  }
  if (in.bad()) return std::string("a read failed");
  return bytes;
}

std::variant<Bytes, std::string> readCapped(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errnoText(errno);
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    return std::string("a folder, not a file");
  }
  Bytes bytes;
  std::uint8_t buffer[1 << 16];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      return errnoText(error);
    }
    if (got == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
    if (bytes.size() > kMaxFileSize) {
      ::close(fd);
      return std::string("over the 64 MB cap");
    }
  }
  ::close(fd);
  return bytes;
}

// What is in the store now, as far as it can be read.
struct Store {
  foundation::StoreDiagnosis diagnosis;
  std::optional<Dictionary> contents;  // none: missing, or cannot be read
  std::string unreadable;              // why, when it is there but cannot be read
  bool missing() const {
    return std::holds_alternative<foundation::store_status::Missing>(diagnosis.status);
  }
};

Store loadStore(const DefaultsSuite& suite) {
  Store store{foundation::UserDefaults::diagnose(suite.name, suite.root), std::nullopt, {}};
  if (store.missing()) return store;
  if (!store.diagnosis.ok()) {
    store.unreadable = store.diagnosis.describe();
    return store;
  }
  // Read again, whole this time: another writer may have replaced it since.
  auto read = readCapped(store.diagnosis.file);
  if (auto* bytes = std::get_if<Bytes>(&read)) {
    auto top = foundation::readPropertyList(*bytes);
    if (auto* dictionary = top ? std::get_if<Dictionary>(&top->value) : nullptr) {
      store.contents = std::move(*dictionary);
      return store;
    }
  }
  store.unreadable = store.diagnosis.file.string() +
                     ": changed while it was read, or takes more memory to build whole than the "
                     "store allows";
  return store;
}

std::string noSuchKey(const DefaultsSuite& suite, const std::string& key) {
  return "The domain/default pair of (" + suite.name + ", " + key + ") does not exist";
}

// The property list an import names, its top a dictionary.
std::variant<Dictionary, std::string> importedContents(const std::string& file,
                                                       std::istream& input) {
  const std::string name = file == "-" ? "standard input" : file;
  auto read = file == "-" ? readCapped(input) : readCapped(fs::path(file));
  if (auto* why = std::get_if<std::string>(&read)) return "cannot import " + name + ": " + *why;
  const Bytes& bytes = std::get<Bytes>(read);
  if (bytes.empty()) return "cannot import " + name + ": it is empty";
  const auto [format, status] = foundation::PropertyListDocument::diagnose(bytes);
  if (!std::holds_alternative<foundation::store_status::Ok>(status)) {
    return "cannot import " + name + ": " + foundation::describe(status);
  }
  auto top = foundation::readPropertyList(bytes);
  if (auto* dictionary = top ? std::get_if<Dictionary>(&top->value) : nullptr) {
    return std::move(*dictionary);
  }
  return "cannot import " + name + ": it takes more memory to build whole than the store allows";
}

// Makes the folders from the containers root down to `folder`; returns those it made, outermost
// first, or why it could not (after removing what it made).
std::variant<std::vector<fs::path>, std::string> makeFolders(const fs::path& root,
                                                             const fs::path& folder) {
  std::vector<fs::path> missing;
  for (fs::path at = folder; at != root && !at.empty(); at = at.parent_path()) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(at, error))) break;
    missing.insert(missing.begin(), at);
    if (at == at.parent_path()) break;
  }
  std::vector<fs::path> made;
  for (const fs::path& at : missing) {
    if (::mkdir(at.c_str(), 0777) != 0) {
      const int error = errno;
      for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
      return "cannot make the folder " + at.string() + ": " + errnoText(error);
    }
    made.push_back(at);
  }
  return made;
}

// Writes the suite's new contents whole, in `format`, or leaves everything as it was.
DefaultsResult save(const Store& store, const DefaultsSuite& suite, Dictionary contents,
                    foundation::StoreFormat format) {
  const fs::path& file = store.diagnosis.file;
  const PropertyListValue top{std::move(contents)};
  auto written = format == foundation::StoreFormat::xml ? foundation::writeXmlPropertyList(top)
                                                        : foundation::writeBinaryPropertyList(top);
  if (auto* refused = std::get_if<foundation::UnwritableValue>(&written)) {
    return failure("cannot write " + file.string() + ": " + refused->why);
  }
  const Bytes& bytes = std::get<Bytes>(written);
  if (bytes.size() > kMaxFileSize) {
    return failure("cannot write " + file.string() + ": it would be " +
                   std::to_string(bytes.size()) + " bytes, over the 64 MB cap the store reads");
  }
  auto folders = makeFolders(suite.root.path, file.parent_path());
  if (auto* why = std::get_if<std::string>(&folders)) return failure(*why);
  if (auto error = foundation::writeFileAtomically(file, bytes, removeOnSignal)) {
    const auto& made = std::get<std::vector<fs::path>>(folders);
    for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
    return failure(*error);
  }
  return {};
}

DefaultsResult read(const DefaultsRequest::Read& request, const DefaultsSuite& suite,
                    const Store& store, std::ostream& output) {
  if (store.missing()) {
    return failure("Domain " + suite.name + " does not exist (no file " +
                   store.diagnosis.file.string() + ")");
  }
  if (!store.contents) return failure("cannot read " + store.unreadable);
  if (!request.key) {
    output << defaultsText(PropertyListValue{*store.contents}) << '\n';
    return {};
  }
  const PropertyListValue* found = nullptr;
  for (const auto& [key, value] : *store.contents) found = key == *request.key ? &value : found;
  if (found == nullptr) return failure(noSuchKey(suite, *request.key));
  output << defaultsValueText(*found) << '\n';
  return {};
}

}  // namespace

DefaultsResult runDefaults(const DefaultsRequest& request, const DefaultsSuite& suite,
                           std::istream& input, std::ostream& output) {
  const Store store = loadStore(suite);
  if (const auto* reading = std::get_if<DefaultsRequest::Read>(&request.verb)) {
    return read(*reading, suite, store, output);
  }

  std::error_code error;
  if (!fs::is_directory(suite.root.path, error)) {
    const bool exists = fs::exists(suite.root.path, error);
    return failure((exists ? suite.root.path.string() + " is not a folder"
                           : "no folder " + suite.root.path.string()) +
                   ": the containers root, chosen by " + suite.root.chosenBy);
  }
  if (!store.contents && !store.missing() && !request.force) {
    return failure(store.unreadable + "; left as it is (--force replaces it)");
  }
  // A new store is binary; a replaced one keeps its format where it had one.
  const auto format = store.diagnosis.format == foundation::StoreFormat::xml
                          ? foundation::StoreFormat::xml
                          : foundation::StoreFormat::binary;
  Dictionary contents = store.contents.value_or(Dictionary{});

  if (const auto* writing = std::get_if<DefaultsRequest::Write>(&request.verb)) {
    const auto place = std::find_if(contents.begin(), contents.end(),
                                    [&](const auto& entry) { return entry.first == writing->key; });
    if (place != contents.end()) {
      place->second = writing->value;
    } else {
      contents.emplace_back(writing->key, writing->value);
    }
  } else if (const auto* deleting = std::get_if<DefaultsRequest::Delete>(&request.verb)) {
    const auto place = std::find_if(contents.begin(), contents.end(), [&](const auto& entry) {
      return entry.first == deleting->key;
    });
    if (place == contents.end()) return failure(noSuchKey(suite, deleting->key));
    contents.erase(place);
  } else {
    auto imported = importedContents(std::get<DefaultsRequest::Import>(request.verb).file, input);
    if (auto* why = std::get_if<std::string>(&imported)) return failure(*why);
    contents = std::get<Dictionary>(std::move(imported));
  }
  return save(store, suite, std::move(contents), format);
}

}  // namespace host
