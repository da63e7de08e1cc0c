#pragma once

#include "ui/environment/widget_family.hpp"

namespace host {

// The families are the view system's environment values as much as the host's.
using ui::familyNamed;
using ui::shortName;
using ui::toString;
using ui::WidgetFamily;

}  // namespace host
