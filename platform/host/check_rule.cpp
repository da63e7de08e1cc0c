#include "host/check_rule.hpp"

#include <iterator>

namespace host {

namespace {

constexpr CheckRuleInfo kRules[] = {
    {CheckRule::truncated, "truncated", Severity::error, "a text cut with \"…\""},
    {CheckRule::wrapped, "wrapped", Severity::warning, "a text wrapped onto more lines"},
    {CheckRule::shrunk, "shrunk", Severity::warning, "a text drawn smaller than its style, to fit"},
    {CheckRule::missingGlyph, "missing-glyph", Severity::error,
     "characters no font has, drawn as boxes"},
    {CheckRule::contrast, "contrast", Severity::error,
     "text below 4.5:1 (3:1 from 18 pt) against the pixels behind it"},
    {CheckRule::smallText, "small-text", Severity::warning, "text drawn under 11 pt"},
    {CheckRule::tapTarget, "tap-target", Severity::warning, "a link smaller than 44 x 44 pt"},
    {CheckRule::ignoredLink, "ignored-link", Severity::warning,
     "a link the phone does not open (small widgets): a tap opens the app"},
    {CheckRule::corners, "corners", Severity::error, "content the rounded corners cut away"},
    {CheckRule::margins, "margins", Severity::error, "content outside the content margins"},
};

static_assert(std::size(kRules) == kCheckRuleCount);
static_assert([] {
  for (std::size_t i = 0; i < std::size(kRules); ++i) {
    if (static_cast<std::size_t>(kRules[i].rule) != i) return false;
  }
  return true;
}());

}  // namespace

std::string_view toString(Severity severity) {
  return severity == Severity::error ? "error" : "warning";
}

std::span<const CheckRuleInfo> checkRules() {
  return kRules;
}

const CheckRuleInfo& infoOf(CheckRule rule) {
  return kRules[static_cast<std::size_t>(rule)];
}

std::string_view toString(CheckRule rule) {
  return infoOf(rule).name;
}

std::optional<CheckRule> checkRuleNamed(std::string_view name) {
  for (const CheckRuleInfo& info : kRules) {
    if (info.name == name) return info.rule;
  }
  return std::nullopt;
}

CheckRules CheckRules::fitting() {
  const CheckRule text[] = {CheckRule::truncated, CheckRule::wrapped, CheckRule::shrunk};
  return CheckRules{}.with(text);
}

CheckRules CheckRules::with(std::span<const CheckRule> rules, bool everyRule) const {
  CheckRules out = *this;
  if (everyRule) out.set_.set();
  for (const CheckRule rule : rules) out.set_.set(static_cast<std::size_t>(rule));
  return out;
}

CheckRules CheckRules::without(CheckRule rule) const {
  CheckRules out = *this;
  out.set_.reset(static_cast<std::size_t>(rule));
  return out;
}

bool CheckRules::needPixels() const {
  return has(CheckRule::contrast) || has(CheckRule::corners) || has(CheckRule::margins);
}

}  // namespace host
