#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "foundation/property_list_value.hpp"

namespace foundation {

// A binary property list ("bplist00") that has been validated whole. It keeps only the
// trailer; the bytes stay with the caller and are passed back in to every lookup, so a
// large file is never turned into a tree just to read one key.
//
// The reader is ours rather than a library's: Debian 12's libplist recurses without bound,
// reads dates as 32-bit seconds, cannot tell -1 from 2^64-1 and adds untrusted offsets to
// pointers before checking them.
class BinaryPropertyList {
 public:
  static bool hasSignature(std::span<const std::uint8_t> bytes);

  // Checks the trailer and every object reachable from the top: offsets and references in
  // range, counts within the file, no container inside itself, nesting at most
  // kMaxNesting deep, keys strings, strings well formed. Nothing when anything is off.
  static std::optional<BinaryPropertyList> validate(std::span<const std::uint8_t> bytes);

  bool topIsDictionary(std::span<const std::uint8_t> bytes) const;
  // The top object built whole; nothing when it would take more memory than buildBudget()
  // (a shared sub-object is copied for every reference to it).
  std::optional<PropertyListValue> topObject(std::span<const std::uint8_t> bytes) const;
  // The value under `key` in the top dictionary (a key written twice: the last one), built
  // alone; with `shallow`, a container comes back empty. Nothing when absent, when the top is
  // no dictionary, or past the budget.
  std::optional<PropertyListValue> valueForKey(std::span<const std::uint8_t> bytes,
                                               std::string_view key, bool shallow = false) const;

  // Bytes a built value may take: what an unshared tree of a file this size could need, and
  // never more than kMaxBuildBytes, since a small file can name one object 2^100 times.
  static std::uint64_t buildBudget(std::uint64_t fileSize);
  static constexpr std::uint64_t kMaxBuildBytes = std::uint64_t{64} << 20;

  static constexpr int kMaxNesting = 128;

  struct Trailer {
    std::uint8_t offsetIntSize = 0;
    std::uint8_t objectRefSize = 0;
    std::uint64_t numObjects = 0;
    std::uint64_t topObject = 0;
    std::uint64_t offsetTableOffset = 0;
  };

 private:
  explicit BinaryPropertyList(const Trailer& trailer) : trailer_(trailer) {}
  Trailer trailer_;
};

}  // namespace foundation
