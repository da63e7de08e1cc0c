#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace foundation {

// A SHA-256 digest: what `sha256sum` prints for the same bytes, so that a script can check a file
// against it without this program.
struct Sha256 {
  std::array<std::uint8_t, 32> bytes{};

  static Sha256 of(std::span<const std::uint8_t> data);
  // 64 lowercase hexadecimal digits.
  std::string hex() const;
  // The digest those 64 digits (either case) spell; nothing for any other text.
  static std::optional<Sha256> fromHex(std::string_view text);

  friend bool operator==(const Sha256&, const Sha256&) = default;
};

}  // namespace foundation
