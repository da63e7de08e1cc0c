#include "foundation/containers_root.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace foundation {
namespace {

struct HostSetting {
  std::mutex mutex;
  std::optional<ContainersRoot> root;
};

HostSetting& hostSetting() {
  static HostSetting setting;
  return setting;
}

const char* nonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

ContainersRoot ContainersRoot::platformDefault() {
  if (const char* dataHome = nonEmptyEnvironment("XDG_DATA_HOME");
      dataHome != nullptr && dataHome[0] == '/') {
    return {std::filesystem::path(dataHome) / "group-containers", "$XDG_DATA_HOME"};
  }
  const auto underHome = [](const std::filesystem::path& home) {
    return home / ".local" / "share" / "group-containers";
  };
  if (const char* home = nonEmptyEnvironment("HOME")) return {underHome(home), "$HOME"};
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
    return {underHome(entry->pw_dir), "the password database"};
  }
  return {underHome("/"), "no home folder"};
}

ContainersRoot ContainersRoot::current() {
  {
    auto& setting = hostSetting();
    const std::lock_guard lock(setting.mutex);
    if (setting.root) return *setting.root;
  }
  return platformDefault();
}

void ContainersRoot::setHostSetting(std::optional<ContainersRoot> root) {
  auto& setting = hostSetting();
  const std::lock_guard lock(setting.mutex);
  setting.root = std::move(root);
}

}  // namespace foundation
