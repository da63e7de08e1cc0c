#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace foundation {

// The folder that holds the App Group containers, and which setting chose it, so that a
// message about a store can say why it looked there.
struct ContainersRoot {
  std::filesystem::path path;
  // "$XDG_DATA_HOME", "$HOME", "the password database", or the name of the host's setting.
  std::string chosenBy;

  // The platform's own default, by the XDG base-directory rules: $XDG_DATA_HOME/group-containers
  // when that variable holds an absolute path (a relative one is ignored), else
  // $HOME/.local/share/group-containers, the home folder from the password database when HOME is
  // not set.
  static ContainersRoot platformDefault();

  // The host's setting when it made one, else platformDefault().
  static ContainersRoot current();

  // The host's setting for this process; nothing clears it. Safe from any thread: a store opened
  // on another thread sees the old or the new root.
  static void setHostSetting(std::optional<ContainersRoot> root);

  friend bool operator==(const ContainersRoot&, const ContainersRoot&) = default;
};

}  // namespace foundation
