#include <cstdio>

#include "host/commands.hpp"

namespace host {
namespace {

std::string points(foundation::Size size) {
  char text[32];
  std::snprintf(text, sizeof text, "%g x %g", size.width, size.height);
  return text;
}

}  // namespace

CommandResult devicesCommand(const CommandContext& context) {
  auto& out = context.io.out;
  char row[256];
  std::snprintf(row, sizeof row, "%-19s %-10s %-10s %-10s %-5s %s\n", "NAME", "SCREEN", "SMALL",
                "MEDIUM", "SCALE", "MODELS");
  out << row;
  for (const Device& device : devices()) {
    const std::string name = std::string(device.name) + (&device == &defaultDevice() ? " *" : "");
    std::snprintf(row, sizeof row, "%-19s %-10s %-10s %-10s @%-4d %s\n", name.c_str(),
                  points(device.screen).c_str(), points(device.small).c_str(),
                  points(device.medium).c_str(), device.scale, std::string(device.models).c_str());
    out << row;
  }
  out << "\n* the default. Sizes in points, from the platform's published table of widget sizes "
         "by\n"
         "screen size; phones whose sizes it has not published are not listed.\n";
  out.flush();
  if (!out) return CommandResult::failure("cannot write standard output");
  return CommandResult::ok();
}

}  // namespace host
