#pragma once

#include <utility>
#include <vector>

namespace ui {

// Holds exactly one T by value where T may still be incomplete (a view inside a view). Copies are
// deep and equality compares the held values, so the types that hold a Box keep defaulted copy and
// equality.
template <class T>
class Box {
 public:
  Box(T value) { storage_.push_back(std::move(value)); }

  const T& operator*() const { return storage_.front(); }
  const T* operator->() const { return &storage_.front(); }
  const T& get() const { return storage_.front(); }

  friend bool operator==(const Box&, const Box&) = default;

 private:
  // A vector because it may be declared with an incomplete element type; it always holds one.
  std::vector<T> storage_;
};

}  // namespace ui
