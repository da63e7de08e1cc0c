#pragma once

#include <filesystem>
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

  // The root bound on this thread (see Binding), else platformDefault().
  static ContainersRoot current();

  // The containers the code on this thread sees while it lives (see below).
  class Binding;

  friend bool operator==(const ContainersRoot&, const ContainersRoot&) = default;
};

// The containers the code on this thread sees while it lives, as the phone's sandbox decides
// them for an extension: the host binds its root around the calls it makes into the widget.
// Per thread, so hosts on several threads may each bind their own; bindings nest.
class ContainersRoot::Binding {
 public:
  explicit Binding(ContainersRoot root);
  ~Binding();
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

 private:
  ContainersRoot root_;
  const ContainersRoot* outer_;
};

}  // namespace foundation
