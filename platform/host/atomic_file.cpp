#include "host/atomic_file.hpp"

#include "host/signals.hpp"

namespace host {
namespace {

void watchForSignals(const char* temporaryPath) {
  if (temporaryPath != nullptr) {
    detail::setPendingTemporaryFile(temporaryPath);
  } else {
    detail::clearPendingTemporaryFile();
  }
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes) {
  return foundation::writeFileAtomically(path, bytes, watchForSignals);
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view text) {
  return foundation::writeFileAtomically(path, text, watchForSignals);
}

}  // namespace host
