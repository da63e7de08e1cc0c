#include "host/suggestion.hpp"

#include <algorithm>

namespace host {
namespace {

// Edits (insertions, deletions, substitutions, swaps of neighbours) from one word to another.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string didYouMean(std::string_view typed, const std::vector<std::string>& candidates) {
  if (typed.size() > 64) return "";  // no typo of a name that long; the distance costs its square
  std::string_view best;
  std::size_t bestDistance = std::min<std::size_t>(2, (typed.size() + 1) / 3) + 1;
  for (const auto& candidate : candidates) {
    const std::size_t distance = editDistance(typed, candidate);
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best.empty() ? "" : " (did you mean '" + std::string(best) + "'?)";
}

}  // namespace host
