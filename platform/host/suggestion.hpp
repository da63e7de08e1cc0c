#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// " (did you mean 'x'?)" for the candidate nearest to what was typed, within a typo's reach
// (at most a third of its letters, and three, inserted, removed, replaced or swapped), else "".
std::string didYouMean(std::string_view typed, const std::vector<std::string>& candidates);

}  // namespace host
