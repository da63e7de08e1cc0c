#pragma once

#include <string_view>

// Checks of what the code itself promises, not of input: a broken one is a programming error, so
// it stops the program at once, saying where, what was checked and why it matters, in one line on
// standard error:
//   presentation/quick_action.cpp:42: precondition failed: url.has_value(): a deep link parses
// Input, however bad, is never checked this way; it gets a message and a documented default.
#define FOUNDATION_PRECONDITION(condition, message)             \
  ((condition) ? static_cast<void>(0)                           \
               : ::foundation::detail::stop(__FILE__, __LINE__, \
                                            "precondition failed: " #condition, (message)))

// Marks a path that the code's own invariants rule out, such as a value outside its enum; stops
// the program, saying where and why, when it is reached all the same.
#define FOUNDATION_UNREACHABLE(why) \
  ::foundation::detail::stop(__FILE__, __LINE__, "unreachable code reached", (why))

namespace foundation::detail {

[[noreturn]] void stop(const char* file, int line, const char* what, std::string_view why);

}  // namespace foundation::detail
