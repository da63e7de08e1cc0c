#include "host/atomic_file.hpp"

#include "host/signals.hpp"

namespace host {
namespace {

void watchForSignals(const char* temporaryPath) {
  if (temporaryPath != nullptr) {
    detail::addPendingTemporaryFile(temporaryPath);
  } else {
    detail::clearPendingTemporaryFiles();
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

std::optional<std::string> writeFilesAtomically(std::span<const foundation::FileContent> files) {
  return foundation::writeFilesAtomically(files, watchForSignals);
}

}  // namespace host
