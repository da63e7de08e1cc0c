#pragma once

#include "foundation/atomic_file.hpp"

namespace host {

// foundation::writeFileAtomically, with the temporary file known to the host's signal handling:
// SIGINT, SIGTERM and SIGHUP remove it before the process ends (see installSignalHandlers).
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes);
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view text);
std::optional<std::string> writeFilesAtomically(std::span<const foundation::FileContent> files);

}  // namespace host
