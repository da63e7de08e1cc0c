#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace foundation {

// Where a value sits in a tree being written: one link per container on the writer's call
// stack, so that it costs nothing until a message names it.
struct ValuePath {
  const ValuePath* parent = nullptr;  // null at the top object
  std::string_view key;               // its key, when its container is a dictionary
  std::size_t index = 0;              // its place, when its container is an array
  bool inArray = false;
  int depth = 0;  // containers around it: 0 for the top object

  ValuePath inDictionary(std::string_view childKey) const {
    return {this, childKey, 0, false, depth + 1};
  }
  ValuePath inArrayAt(std::size_t childIndex) const {
    return {this, {}, childIndex, true, depth + 1};
  }

  // "the top object", "'balance'", "'tags'[3]['name']"; in a key, a control character shows as
  // \u001B and what is not UTF-8 as U+FFFD, so the text stays one printable line.
  std::string describe() const;
};

}  // namespace foundation
