#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "host/device.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/view/color.hpp"

namespace host {

// Where the phone shows the widget, which decides how it draws it.
enum class RenderingContext : std::uint8_t {
  home,          // the home screen, in full colour
  homeTinted,    // the tinted home screen: the content as templates in the tint
  standby,       // StandBy: the small widget alone, enlarged, on black
  standbyNight,  // StandBy at night: as standby, monochrome red
};

std::string_view toString(RenderingContext context);
std::optional<RenderingContext> renderingContextNamed(std::string_view name);
// "home, home-tinted, standby or standby-night".
std::string_view renderingContextNames();

// A colour written as #RRGGBB or #RRGGBBAA (hexadecimal, either case), or none.
std::optional<ui::RGBA> hexColor(std::string_view text);

// StandBy shows small widgets only.
bool shows(RenderingContext context, WidgetFamily family);

// The tint of the tinted home screen when none is given: a warm amber. The user chooses it on the
// phone; this is an estimate of a common choice.
inline constexpr ui::RGBA kDefaultTint{0.898, 0.753, 0.482, 1};

// `environment` (its family and scale already set) as the phone draws the widget in `context` on
// `device`. Every rule of the contexts is here:
//   home          full colour, the container background shown; the device's canvas.
//   home-tinted   accented: every view drawn as a template in `tint` with its own opacity (the
//                 widget marks nothing accentable, so all of it is the default group); no
//                 container background: the system's backdrop instead, a neutral dark grey.
//   standby       no container background; the content on black over the whole canvas, which
//                 has no rounded corners; enlarged so that the widget is 85 % of the height of
//                 the phone's screen lying on its side (its short side).
//   standby-night as standby, vibrant: every view a shade of one red by its brightness.
ui::RenderEnvironment inContext(ui::RenderEnvironment environment, RenderingContext context,
                                const Device& device, ui::RGBA tint = kDefaultTint);

}  // namespace host
