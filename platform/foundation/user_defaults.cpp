#include "foundation/user_defaults.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "foundation/property_list/number_scanning.hpp"
#include "foundation/property_list/property_list_document.hpp"

namespace foundation {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool isValidSuiteName(std::string_view name) {
  return name.starts_with("group.") && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

std::string errnoText(int error) {
  return std::generic_category().message(error);
}

std::string fileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder, not a file";
  if (S_ISFIFO(mode)) return "a pipe, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "not a regular file";
}

// The whole preferences file, or why the suite is to read as empty at once: no file, not a
// regular file (a FIFO is opened non-blocking so it cannot stall us), empty, over the size cap,
// or unreadable. Symbolic links are followed; a loop just fails.
std::variant<std::vector<std::uint8_t>, StoreStatus> readPreferencesFile(
    int containerFd, const std::string& relativePath) {
  using namespace store_status;
  const FileDescriptor file(
      ::openat(containerFd, relativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.valid()) {
    if (errno == ENOENT) return Missing{"no file"};
    return Unreadable{errnoText(errno)};
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return Unreadable{errnoText(errno)};
  if (!S_ISREG(status.st_mode)) return Unreadable{fileKind(status.st_mode)};
  if (status.st_size <= 0) return NotPropertyList{"the file is empty"};
  if (static_cast<std::uint64_t>(status.st_size) > UserDefaults::kMaxFileSize) {
    return OverSizeCap{static_cast<std::uint64_t>(status.st_size)};
  }
  // One byte more than the file: a read that fills exactly its size then sees the end, where
  // a buffer of exactly its size would have to grow (a copy, 2.5 times the file at the peak)
  // just to learn that there is no more.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size) + 1);
  std::size_t length = 0;
  // The file may grow while we read it; one byte beyond the cap is enough to refuse it.
  constexpr std::size_t kLimit = static_cast<std::size_t>(UserDefaults::kMaxFileSize) + 1;
  while (true) {
    if (length == bytes.size()) {
      if (bytes.size() >= kLimit) return OverSizeCap{length};
      bytes.resize(std::min(kLimit, bytes.size() + (bytes.size() / 2) + 4096));
    }
    const ssize_t got = ::read(file.get(), bytes.data() + length, bytes.size() - length);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Unreadable{errnoText(errno)};
    }
    if (got == 0) break;
    length += static_cast<std::size_t>(got);
  }
  if (length == 0) return NotPropertyList{"the file is empty"};
  if (length > UserDefaults::kMaxFileSize) return OverSizeCap{length};
  bytes.resize(length);  // never shrink_to_fit: that copies the whole file again
  return bytes;
}

std::string preferencesRelativePath(const std::string& suite) {
  return "Library/Preferences/" + suite + ".plist";
}

}  // namespace

std::filesystem::path UserDefaultsOptions::defaultContainersRoot() {
  return ContainersRoot::current().path;
}

std::optional<UserDefaults> UserDefaults::initWithSuiteName(std::string_view suiteName) {
  return initWithSuiteName(suiteName, UserDefaultsOptions{});
}

std::optional<UserDefaults> UserDefaults::initWithSuiteName(std::string_view suiteName,
                                                            const UserDefaultsOptions& options) {
  if (!isValidSuiteName(suiteName)) return std::nullopt;
  const std::string name(suiteName);
  const FileDescriptor container(
      ::open((options.containersRoot / name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!container.valid()) return std::nullopt;

  const std::string relativePath = preferencesRelativePath(name);
  const int tries = std::max(options.tries, 1);
  for (int attempt = 1; attempt <= tries; ++attempt) {
    if (attempt > 1) {
      // A file that does not parse may be a writer caught half-way; give it time to finish.
      std::this_thread::sleep_for(options.retryDelay);
      if (options.beforeRetry) options.beforeRetry(attempt);
    }
    auto read = readPreferencesFile(container.get(), relativePath);
    auto* bytes = std::get_if<std::vector<std::uint8_t>>(&read);
    if (!bytes) return UserDefaults(nullptr);
    if (auto document = PropertyListDocument::parse(std::move(*bytes))) {
      return UserDefaults(std::make_shared<const PropertyListDocument>(std::move(*document)));
    }
  }
  return UserDefaults(nullptr);
}

StoreDiagnosis UserDefaults::diagnose(std::string_view suiteName, const ContainersRoot& root) {
  using namespace store_status;
  const std::string name(suiteName);
  StoreDiagnosis diagnosis{root.path / name / preferencesRelativePath(name), root, {}, Ok{}};
  if (!isValidSuiteName(suiteName)) {
    diagnosis.status = Unreadable{"'" + name + "' is not an App Group's name"};
    return diagnosis;
  }
  const FileDescriptor container(
      ::open((root.path / name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!container.valid()) {
    const int error = errno;
    diagnosis.status =
        error == ENOENT
            ? StoreStatus{Missing{"no folder " + (root.path / name).string()}}
            : StoreStatus{Unreadable{(root.path / name).string() + ": " + errnoText(error)}};
    return diagnosis;
  }
  auto read = readPreferencesFile(container.get(), preferencesRelativePath(name));
  if (auto* status = std::get_if<StoreStatus>(&read)) {
    diagnosis.status = std::move(*status);
    return diagnosis;
  }
  std::tie(diagnosis.format, diagnosis.status) =
      PropertyListDocument::diagnose(std::get<std::vector<std::uint8_t>>(read));
  return diagnosis;
}

std::optional<PropertyListValue> UserDefaults::objectForKey(std::string_view key) const {
  if (!document_) return std::nullopt;
  return document_->valueForKey(key);
}

double UserDefaults::doubleForKey(std::string_view key) const {
  // Containers convert to 0 whatever they hold, so they are not built.
  const auto object = document_ ? document_->scalarForKey(key) : std::nullopt;
  if (!object) return 0.0;
  return std::visit(
      [](const auto& value) -> double {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>) {
          return value ? 1.0 : 0.0;
        } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t> ||
                             std::is_same_v<T, double>) {
          return static_cast<double>(value);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return scanDoubleValue(value);
        } else {
          return 0.0;
        }
      },
      object->value);
}

}  // namespace foundation
