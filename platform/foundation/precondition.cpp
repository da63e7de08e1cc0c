#include "foundation/precondition.hpp"

#include <cstdio>
#include <cstdlib>

namespace foundation::detail {

void stop(const char* file, int line, const char* what, std::string_view why) {
  std::fprintf(stderr, "%s:%d: %s: %.*s\n", file, line, what, static_cast<int>(why.size()),
               why.data());
  std::fflush(stderr);
  std::abort();
}

}  // namespace foundation::detail
