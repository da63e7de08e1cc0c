#include <sstream>

#include "foundation/user_defaults.hpp"
#include "host/commands.hpp"

namespace host {
namespace {

std::string withKey(const std::string& shown, const std::string& key) {
  if (key.empty()) return "(none)";
  return shown == key ? shown : shown + " (key \"" + key + "\")";
}

}  // namespace

CommandResult describeCommand(const CommandContext& context) {
  const WidgetConfiguration& configuration = context.configuration;
  std::ostringstream text;
  const std::string name = configuration.displayName().key;
  const std::string description = configuration.descriptionKey().key;
  text << "kind: " << configuration.kind << "\n";
  text << "display name: " << withKey(context.localized(name), name) << "\n";
  text << "description: " << withKey(context.localized(description), description) << "\n";
  text << "families:";
  bool first = true;
  for (const auto family : configuration.families()) {
    const auto size = canvasFor(family).size;
    text << (first ? " " : ", ") << toString(family) << " (" << size.width << " x " << size.height
         << " points)";
    first = false;
  }
  text << "\n";
  if (context.bundle.applicationGroups.empty()) {
    text << "app group: (none)\n";
  } else {
    const std::string& suite = context.bundle.applicationGroups.front();
    const auto store =
        foundation::UserDefaults::diagnose(suite, foundation::ContainersRoot::current());
    text << "app group: " << suite << "\n";
    text << "containers root: " << store.root.path.string() << " (chosen by " << store.root.chosenBy
         << ")\n";
    text << "store: " << store.file.string() << "\n";
    text << "store status: " << foundation::describe(store.status);
    if (store.format != foundation::StoreFormat::unknown) text << ", " << toString(store.format);
    text << (store.ok() ? "" : "; the widget shows defaults") << "\n";
  }
  context.environment.out << text.str();
  context.environment.out.flush();
  if (context.line.strict && context.store && !context.store->ok()) {
    return CommandResult::failure("store " + context.store->describe());
  }
  return CommandResult::ok();
}

}  // namespace host
