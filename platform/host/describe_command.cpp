#include <sstream>

#include "foundation/shortest_decimal.hpp"
#include "foundation/user_defaults.hpp"
#include "host/commands.hpp"
#include "host/timeline_json.hpp"

namespace host {
namespace {

std::string withKey(const std::string& shown, const std::string& key) {
  if (key.empty()) return "(none)";
  return shown == key ? shown : shown + " (key \"" + key + "\")";
}

std::string shownValue(const foundation::PropertyListValue& value) {
  if (const auto date = foundation::asDate(value)) {
    return std::string(typeName(value)) + " " + iso8601(*date).value_or("out of range");
  }
  if (const auto* number = std::get_if<double>(&value.value)) {
    return std::string(typeName(value)) + " " + foundation::shortestDecimal(*number);
  }
  std::ostringstream text;
  PrintTo(value, &text);
  return std::string(typeName(value)) + " " + text.str();
}

// "balance: a string "12,840.50"; read as 12 (...)": what is stored and what the widget makes
// of it, by the store's own rules.
std::string describeKey(const std::optional<foundation::UserDefaults>& store, const StoreKey& key) {
  const auto object = store ? store->objectForKey(key.key) : std::nullopt;
  std::string line = "  " + key.key + ": " + (object ? shownValue(*object) : "absent") + "; ";
  if (key.reading == StoreKey::Reading::date) {
    return line + (object && foundation::asDate(*object)
                       ? "read as that date"
                       : "not a date: read as the time of reading");
  }
  const double number = store ? store->doubleForKey(key.key) : 0.0;
  line += "read as " + foundation::shortestDecimal(number);
  if (!object) return line;
  if (std::holds_alternative<std::string>(object->value)) {
    line += " (a string is read as a number up to its first character that is not one)";
  } else if (std::holds_alternative<bool>(object->value)) {
    line += " (a boolean is read as 1 or 0)";
  } else if (!std::holds_alternative<double>(object->value) &&
             !std::holds_alternative<std::int64_t>(object->value) &&
             !std::holds_alternative<std::uint64_t>(object->value)) {
    line += " (not a number)";
  }
  return line;
}

void collectLinks(const ui::LayoutNode& node, std::ostream& out) {
  if (const auto* link = std::get_if<ui::LinkLayout>(&node.content)) {
    const auto& frame = node.frame;
    out << "  " << link->destination.absoluteString() << ": x "
        << foundation::shortestDecimal(frame.origin.x) << ", y "
        << foundation::shortestDecimal(frame.origin.y) << ", width "
        << foundation::shortestDecimal(frame.size.width) << ", height "
        << foundation::shortestDecimal(frame.size.height) << "\n";
  }
  for (const auto& child : node.children) collectLinks(child, out);
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
    const auto size = context.device().size(family);
    text << (first ? " " : ", ") << toString(family) << " (" << size.width << " x " << size.height
         << " points)";
    first = false;
  }
  text << "\n";
  if (!context.store) {
    text << "app group: (none)\n";
  } else {
    const foundation::StoreDiagnosis& store = *context.store;
    text << "app group: " << context.bundle.applicationGroups.front() << "\n";
    text << "containers root: " << store.root.path.string() << " (chosen by " << store.root.chosenBy
         << ")\n";
    text << "store: " << store.file.string() << "\n";
    text << "store status: " << foundation::describe(store.status);
    if (store.format != foundation::StoreFormat::unknown) text << ", " << toString(store.format);
    text << (store.ok() ? "" : "; the widget shows defaults") << "\n";
    if (context.line.store) {
      text << "store keys:\n";
      const auto defaults =
          foundation::UserDefaults::initWithSuiteName(context.bundle.applicationGroups.front());
      for (const auto& key : context.bundle.storeKeys) text << describeKey(defaults, key) << "\n";
    }
  }
  if (context.line.links) {
    for (const auto family : configuration.families()) {
      text << "links in " << toString(family) << " (points from the top-left corner):\n";
      const AnyEntry entry = context.currentEntry(context.providerContext(family));
      collectLinks(
          context.renderer.layout(configuration.content(entry), context.renderEnvironment(family))
              .content,
          text);
    }
  }
  context.io.out << text.str();
  context.io.out.flush();
  if (context.line.strict && context.store && !context.store->ok()) {
    return CommandResult::failure("store " + context.store->describe());
  }
  return CommandResult::ok();
}

}  // namespace host
