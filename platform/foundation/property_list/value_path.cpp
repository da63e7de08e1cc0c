#include "foundation/property_list/value_path.hpp"

#include <cstdio>
#include <vector>

#include "foundation/unicode.hpp"

namespace foundation {
namespace {

void appendShown(std::string& out, std::string_view key) {
  for (std::size_t at = 0; at < key.size();) {
    const Utf8Step step = decodeUtf8(key, at);
    if (!step.valid) {
      appendUtf8(out, 0xFFFD);
    } else if (step.codePoint < 0x20 || (step.codePoint >= 0x7F && step.codePoint <= 0x9F)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(step.codePoint));
      out += escape;
    } else {
      out.append(key.substr(at, step.length));
    }
    at += step.length;
  }
}

}  // namespace

std::string ValuePath::describe() const {
  std::vector<const ValuePath*> links;
  for (const ValuePath* at = this; at->parent != nullptr; at = at->parent) links.push_back(at);
  if (links.empty()) return "the top object";
  std::string text;
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    const ValuePath& link = **it;
    if (link.inArray) {
      text += "[" + std::to_string(link.index) + "]";
      continue;
    }
    const bool first = text.empty();
    text += first ? "'" : "['";
    appendShown(text, link.key);
    text += first ? "'" : "']";
  }
  return text;
}

}  // namespace foundation
