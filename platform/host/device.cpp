#include "host/device.hpp"

#include <iterator>
#include <vector>

#include "host/suggestion.hpp"

namespace host {
namespace {

// The platform's published widget sizes, screen -> small and medium, in points. Phones whose
// sizes it has not published (the 402 x 874 and 440 x 956 screens) are left out, not guessed.
constexpr Device kDevices[] = {
    {"iphone-16-plus",
     "iPhone 16 Plus, 15 Plus, 15 Pro Max, 14 Pro Max",
     {430, 932},
     {170, 170},
     {364, 170},
     3},
    {"iphone-14-plus",
     "iPhone 14 Plus, 13 Pro Max, 12 Pro Max",
     {428, 926},
     {170, 170},
     {364, 170},
     3},
    {"iphone-11-pro-max", "iPhone 11 Pro Max, XS Max", {414, 896}, {169, 169}, {360, 169}, 3},
    {"iphone-11", "iPhone 11, XR", {414, 896}, {169, 169}, {360, 169}, 2},
    {"iphone-8-plus", "iPhone 8 Plus, 7 Plus, 6s Plus", {414, 736}, {159, 159}, {348, 157}, 3},
    {"iphone-16", "iPhone 16, 15, 15 Pro, 14 Pro", {393, 852}, {158, 158}, {338, 158}, 3},
    {"iphone-14", "iPhone 16e, 14, 13, 13 Pro, 12, 12 Pro", {390, 844}, {158, 158}, {338, 158}, 3},
    {"iphone-11-pro", "iPhone 11 Pro, XS, X", {375, 812}, {155, 155}, {329, 155}, 3},
    {"iphone-13-mini", "iPhone 13 mini, 12 mini", {360, 780}, {155, 155}, {329, 155}, 3},
    {"iphone-se",
     "iPhone SE (2nd and 3rd generation), 8, 7, 6s",
     {375, 667},
     {148, 148},
     {321, 148},
     2},
    {"iphone-se-1st", "iPhone SE (1st generation)", {320, 568}, {141, 141}, {292, 141}, 2},
};

}  // namespace

std::span<const Device> devices() {
  return kDevices;
}

const Device& defaultDevice() {
  return kDevices[0];
}

const Device* deviceNamed(std::string_view name) {
  for (const Device& device : kDevices) {
    if (device.name == name) return &device;
  }
  return nullptr;
}

std::string expectedDevice(std::string_view typed) {
  std::vector<std::string> names;
  for (const Device& device : kDevices) names.emplace_back(device.name);
  return "a phone that 'devices' lists" + didYouMean(typed, names);
}

}  // namespace host
