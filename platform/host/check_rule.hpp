#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace host {

// What `check` looks for in a picture: the ways a widget fails its users on the phone that
// nobody sees until it is there, from the platform's design guidance.
enum class CheckRule : std::uint8_t {
  truncated,     // a text cut with "…"
  wrapped,       // a text on more lines than one
  shrunk,        // a text drawn smaller than its style, to fit
  missingGlyph,  // a character no face of the font set has, drawn as a box
  contrast,      // text against the pixels behind it: below 4.5:1 under 18 pt, 3:1 from 18 pt
  smallText,     // text drawn under 11 pt, as the phone shows it
  tapTarget,     // a link smaller than 44 x 44 points
  ignoredLink,   // a link the phone does not open: every link of a small widget
  corners,       // content drawn where the rounded corners cut it away
  margins,       // content drawn outside the content margins
};
inline constexpr std::size_t kCheckRuleCount = 10;

enum class Severity : std::uint8_t { warning, error };
std::string_view toString(Severity severity);

// A rule's name (as --skip takes it), its severity, and what it finds, for help and summaries.
struct CheckRuleInfo {
  CheckRule rule;
  std::string_view name;
  Severity severity;
  std::string_view description;
};
// Every rule, in the enum's order.
std::span<const CheckRuleInfo> checkRules();
const CheckRuleInfo& infoOf(CheckRule rule);
std::string_view toString(CheckRule rule);
std::optional<CheckRule> checkRuleNamed(std::string_view name);

// The rules a run applies.
class CheckRules {
 public:
  static CheckRules all() { return CheckRules{}.with({}, true); }
  // The text rules `fit` reports: truncated, wrapped, shrunk.
  static CheckRules fitting();
  CheckRules with(std::span<const CheckRule> rules, bool everyRule = false) const;
  CheckRules without(CheckRule rule) const;
  bool has(CheckRule rule) const { return set_.test(static_cast<std::size_t>(rule)); }
  // Whether any rule needs the picture's pixels (contrast, corners, margins).
  bool needPixels() const;
  friend bool operator==(const CheckRules&, const CheckRules&) = default;

 private:
  std::bitset<kCheckRuleCount> set_;
};

}  // namespace host
