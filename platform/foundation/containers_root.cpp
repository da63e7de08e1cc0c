#include "foundation/containers_root.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace foundation {
namespace {

thread_local const ContainersRoot* bound = nullptr;

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
  return bound != nullptr ? *bound : platformDefault();
}

ContainersRoot::Binding::Binding(ContainersRoot root) : root_(std::move(root)), outer_(bound) {
  bound = &root_;
}

ContainersRoot::Binding::~Binding() {
  bound = outer_;
}

}  // namespace foundation
