// The phones of the published size table and the places the phone shows the widget: pictures at
// each phone's exact pixel sizes, and the tinted home screen and StandBy drawn by their rules.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "host/device.hpp"
#include "host/renderer.hpp"
#include "host/rendering_context.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/golden_picture.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/raster/png_decoder.hpp"
#include "ui/typesetting/text_measurer.hpp"

namespace {

ui::View sample() {
  return pocketta::PockettaWidgetView{{foundation::Date{0}, 12840.5, 350, 86.4}}.body();
}

ui::RenderEnvironment environment(host::WidgetFamily family, double scale,
                                  host::RenderingContext context,
                                  const host::Device& device = host::defaultDevice(),
                                  ui::RGBA tint = host::kDefaultTint) {
  ui::RenderEnvironment environment;
  environment.widgetFamily = family;
  environment.displayScale = scale;
  return host::inContext(environment, context, device, tint);
}

ui::DecodedPng draw(host::Renderer& renderer, const ui::RenderEnvironment& environment) {
  const std::string png = renderer.render({{sample(), environment}}, host::OutputFormat::png)[0];
  auto decoded = ui::decodePng(std::vector<std::uint8_t>(png.begin(), png.end()));
  EXPECT_TRUE(decoded.has_value());
  return decoded.value_or(ui::DecodedPng{});
}

TEST(Devices, everyPhoneDrawsEachFamilyAtItsExactPixelSizeAtEachScale) {
  host::Renderer renderer;
  std::set<std::string_view> names;
  for (const host::Device& device : host::devices()) {
    SCOPED_TRACE(std::string(device.name));
    EXPECT_TRUE(names.insert(device.name).second);
    EXPECT_EQ(host::deviceNamed(device.name), &device);
    for (const auto family : {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium}) {
      for (const int scale : {1, 2, 3}) {
        const ui::DecodedPng picture =
            draw(renderer, environment(family, scale, host::RenderingContext::home, device));
        EXPECT_EQ(picture.width, device.size(family).width * scale);
        EXPECT_EQ(picture.height, device.size(family).height * scale);
      }
    }
  }
  // 158 x 158 points at @3x is 474 x 474 pixels.
  EXPECT_EQ(host::deviceNamed("iphone-16")->small, (foundation::Size{158, 158}));
  EXPECT_EQ(host::deviceNamed("iphone-17"), nullptr);
  EXPECT_EQ(host::defaultDevice().small, (foundation::Size{170, 170}));
}

// On the tinted home screen every pixel lies between the backdrop and the tint: no green or
// orange of the links, no gradient of the container background.
TEST(RenderingContexts, tintedHomeScreenDrawsOnlyTheTintOverTheBackdrop) {
  host::Renderer renderer;
  const ui::RGBA tint = *host::hexColor("#3399ff");
  for (const auto family : {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium}) {
    const ui::RenderEnvironment env =
        environment(family, 2, host::RenderingContext::homeTinted, host::defaultDevice(), tint);
    ASSERT_TRUE(env.backdrop.has_value());
    const ui::RGBA back = *env.backdrop;
    const ui::DecodedPng picture = draw(renderer, env);
    int worst = 0, inked = 0;
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const std::uint8_t* p = picture.pixel(x, y);
        if (p[3] < 250) continue;  // the transparent corners and their edge
        // Where it lies on the line from the backdrop to the tint, and how far off that line.
        const double from[3] = {back.red * 255, back.green * 255, back.blue * 255};
        const double to[3] = {tint.red * 255, tint.green * 255, tint.blue * 255};
        double t = 0, norm = 0;
        for (int c = 0; c < 3; ++c) {
          t += (p[c] - from[c]) * (to[c] - from[c]);
          norm += (to[c] - from[c]) * (to[c] - from[c]);
        }
        t /= norm;
        inked += t > 0.5;
        for (int c = 0; c < 3; ++c) {
          const double off = std::abs(p[c] - (from[c] + t * (to[c] - from[c])));
          worst = std::max(worst, static_cast<int>(std::lround(off)));
        }
      }
    }
    EXPECT_LE(worst, 3);
    EXPECT_GT(inked, 500);  // the texts and symbols are there, in the tint
  }
}

// StandBy: the small widget alone, enlarged, on black over the whole picture; at night every
// pixel is a shade of one red.
TEST(RenderingContexts, standbyIsEnlargedOnBlackAndAtNightEveryPixelIsOneRed) {
  host::Renderer renderer;
  const host::Device& phone = *host::deviceNamed("iphone-16");
  const ui::DecodedPng day = draw(renderer, environment(host::WidgetFamily::systemSmall, 1,
                                                        host::RenderingContext::standby, phone));
  // 85 % of the 393-point short side of the screen.
  EXPECT_EQ(day.width, std::lround(0.85 * 393));
  const std::uint8_t* corner = day.pixel(0, 0);
  EXPECT_EQ((std::vector<int>{corner[0], corner[1], corner[2], corner[3]}),
            (std::vector<int>{0, 0, 0, 255}));

  const ui::DecodedPng night = draw(
      renderer,
      environment(host::WidgetFamily::systemSmall, 1, host::RenderingContext::standbyNight, phone));
  int worst = 0, red = 0;
  for (int y = 0; y < night.height; ++y) {
    for (int x = 0; x < night.width; ++x) {
      const std::uint8_t* p = night.pixel(x, y);
      EXPECT_EQ(p[3], 255);
      red = std::max<int>(red, p[0]);
      // A shade k of the red (255, 45, 33): green and blue are those of k.
      const double k = p[0] / 255.0;
      worst = std::max(worst, std::abs(p[1] - static_cast<int>(std::lround(k * 0.176 * 255))));
      worst = std::max(worst, std::abs(p[2] - static_cast<int>(std::lround(k * 0.129 * 255))));
    }
  }
  EXPECT_LE(worst, 2);
  EXPECT_GE(red, 250);  // the white texts are the red at its brightest
}

TEST(RenderingContexts, matchGoldens) {
  host::Renderer renderer;
  const struct {
    const char* name;
    host::RenderingContext context;
  } goldens[] = {
      {"small_home_tinted", host::RenderingContext::homeTinted},
      {"small_standby", host::RenderingContext::standby},
      {"small_standby_night", host::RenderingContext::standbyNight},
  };
  support::GoldenPictures kept(POCKETTA_TEST_DATA_DIR, support::goldenReportFolder());
  for (const auto& g : goldens) {
    const std::string png =
        renderer.render({{sample(), environment(host::WidgetFamily::systemSmall, 1, g.context,
                                                *host::deviceNamed("iphone-16"))}},
                        host::OutputFormat::png)[0];
    kept.expectMatches(std::vector<std::uint8_t>(png.begin(), png.end()), g.name,
                       {{"device", "iphone-16"}, {"context", std::string(toString(g.context))}});
  }
}

}  // namespace

namespace {

// Every frame of the widget on the smallest and the largest published phone, in both families,
// with text of half an em a character (so the frames do not hang on the fonts installed), in
// pre-order: the stack, the header (label, symbol, title, spacer, code), the balance, the action
// row (each link, its label, symbol and amount, the spacer between).
TEST(Devices, smallestAndLargestPhonesLayEveryFrameOut) {
  const ui::FixedAdvanceTextMeasurer measurer(0.5);
  const struct {
    const char* device;
    host::WidgetFamily family;
    const char* frames;
  } cases[] = {
      // 141 points: the balance (132 wide at 22 points) shrinks to the 109 between the margins.
      {"iphone-se-1st", host::WidgetFamily::systemSmall,
       "16 41.4167 109 58.1667; 16 41.4167 109 12; 16 41.4167 66 12; 16 41.4167 12 12; 34 41.4167 "
       "48 12; 90 47.4167 10.5 0; 108.5 41.9167 16.5 11; 16 61.4167 109 18.1667; 16 87.5833 109 "
       "12; 16 87.5833 36 12; 16 87.5833 36 12; 16 87.5833 12 12; 34 87.5833 18 12; 60 93.5833 15 "
       "0; 83 87.5833 42 12; 83 87.5833 42 12; 83 87.5833 12 12; 101 87.5833 24 12"},
      {"iphone-se-1st", host::WidgetFamily::systemMedium,
       "16 39.5 260 62; 16 39.5 260 12; 16 39.5 66 12; 16 39.5 12 12; 34 39.5 48 12; 90 45.5 161.5 "
       "0; 259.5 40 16.5 11; 16 59.5 132 22; 16 89.5 260 12; 16 89.5 36 12; 16 89.5 36 12; 16 89.5 "
       "12 12; 34 89.5 18 12; 60 95.5 166 0; 234 89.5 42 12; 234 89.5 42 12; 234 89.5 12 12; 252 "
       "89.5 24 12"},
      {"iphone-16-plus", host::WidgetFamily::systemSmall,
       "16 54 138 62; 16 54 138 12; 16 54 66 12; 16 54 12 12; 34 54 48 12; 90 60 39.5 0; 137.5 "
       "54.5 16.5 11; 16 74 132 22; 16 104 138 12; 16 104 36 12; 16 104 36 12; 16 104 12 12; 34 "
       "104 18 12; 60 110 44 0; 112 104 42 12; 112 104 42 12; 112 104 12 12; 130 104 24 12"},
      {"iphone-16-plus", host::WidgetFamily::systemMedium,
       "16 54 332 62; 16 54 332 12; 16 54 66 12; 16 54 12 12; 34 54 48 12; 90 60 233.5 0; 331.5 "
       "54.5 16.5 11; 16 74 132 22; 16 104 332 12; 16 104 36 12; 16 104 36 12; 16 104 12 12; 34 "
       "104 18 12; 60 110 238 0; 306 104 42 12; 306 104 42 12; 306 104 12 12; 324 104 24 12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    const ui::RenderEnvironment env =
        environment(c.family, 1, host::RenderingContext::home, *host::deviceNamed(c.device));
    const ui::WidgetLayout layout = ui::layoutWidget(sample(), env, measurer);
    std::string frames;
    std::vector<const ui::LayoutNode*> todo{&layout.content};
    while (!todo.empty()) {
      const ui::LayoutNode* node = todo.back();
      todo.pop_back();
      const foundation::Rect& f = node->frame;
      char row[96];
      std::snprintf(row, sizeof row, "%s%g %g %g %g", frames.empty() ? "" : "; ", f.minX(),
                    f.minY(), f.size.width, f.size.height);
      frames += row;
      for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
        todo.push_back(&*it);
      }
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(layout.background->frame, env.canvas.bounds());
  }
}

}  // namespace
