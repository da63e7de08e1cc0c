#include "host/output_format.hpp"

#include <algorithm>

namespace host {
namespace {

constexpr OutputFormatSpec kFormats[] = {
    {OutputFormat::png, "png", ".png", "a PNG picture, --scale pixels per point", true, true, true,
     true},
    {OutputFormat::svg, "svg", ".svg", "an SVG document in points, its links clickable", false,
     false, true, true},
    {OutputFormat::terminal, "terminal", ".ans", "a preview in the terminal's colours", false,
     false, false, true},
    {OutputFormat::tree, "tree", ".txt", "the view tree as text", false, false, false, false},
    // Its files are terminal text, as the preview's are; the extension names the preview.
    {OutputFormat::graphics, "graphics", ".ans",
     "a picture in the terminal: a sixel, kitty or iTerm image where the terminal shows one, else "
     "block symbols under the texts (chafa)",
     false, false, false, true},
};

// specOf() finds a row by its format's value.
static_assert([] {
  for (std::size_t i = 0; i < std::size(kFormats); ++i) {
    if (static_cast<std::size_t>(kFormats[i].format) != i) return false;
  }
  return true;
}());

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::span<const OutputFormatSpec> outputFormats() {
  return kFormats;
}

const OutputFormatSpec& specOf(OutputFormat format) {
  return kFormats[static_cast<std::size_t>(format)];
}

std::string_view toString(OutputFormat format) {
  return specOf(format).name;
}

std::optional<OutputFormat> formatNamed(std::string_view name) {
  for (const auto& spec : kFormats) {
    if (spec.name == name) return spec.format;
  }
  return std::nullopt;
}

std::optional<OutputFormat> formatForExtension(const std::filesystem::path& path) {
  const std::string extension = path.extension().string();
  for (const auto& spec : kFormats) {
    if (std::ranges::equal(extension, spec.extension,
                           [](char a, char b) { return lower(a) == lower(b); })) {
      return spec.format;
    }
  }
  return std::nullopt;
}

std::string formatNames() {
  std::string names;
  for (std::size_t i = 0; i < std::size(kFormats); ++i) {
    if (i > 0) names += i + 1 == std::size(kFormats) ? " or " : ", ";
    names += kFormats[i].name;
  }
  return names;
}

}  // namespace host
