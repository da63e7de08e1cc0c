#include "data/app_group.hpp"

namespace pocketta {

constexpr std::string_view kAppGroup = POCKETTA_APP_GROUP;

}  // namespace pocketta
