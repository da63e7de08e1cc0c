#include "foundation/sha256.hpp"

#include <nettle/sha2.h>

namespace foundation {

// Nettle's: it uses the processor's SHA instructions where there are (a few GB a second), so
// that hashing each picture costs a small part of drawing it.
Sha256 Sha256::of(std::span<const std::uint8_t> data) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, data.size(), data.data());
  Sha256 digest;
  sha256_digest(&context, digest.bytes.size(), digest.bytes.data());
  return digest;
}

std::string Sha256::hex() const {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::optional<Sha256> Sha256::fromHex(std::string_view text) {
  if (text.size() != 64) return std::nullopt;
  auto digit = [](char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
  };
  Sha256 digest;
  for (std::size_t i = 0; i < digest.bytes.size(); ++i) {
    const int high = digit(text[2 * i]);
    const int low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest.bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return digest;
}

}  // namespace foundation
