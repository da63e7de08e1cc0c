#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/terminal/terminal_renderer.hpp"

namespace host {

enum class OutputFormat : std::uint8_t { png, svg, terminal, tree, graphics };

// Everything the host knows of one output format. Adding a format is one row of
// outputFormats() and its case in the Renderer.
struct OutputFormatSpec {
  OutputFormat format;
  std::string_view name;       // as --format takes it
  std::string_view extension;  // of its files, matched without regard to case
  std::string_view help;
  bool pixels;      // drawn in pixels: --scale applies
  bool binary;      // never written to a terminal
  bool onePicture;  // a stream holds one picture, so several go to files
  bool drawn;       // a drawing, with colours; else the view tree itself
};

std::span<const OutputFormatSpec> outputFormats();
const OutputFormatSpec& specOf(OutputFormat format);
std::string_view toString(OutputFormat format);
std::optional<OutputFormat> formatNamed(std::string_view name);
std::optional<OutputFormat> formatForExtension(const std::filesystem::path& path);
// "png, svg, terminal or tree".
std::string formatNames();

}  // namespace host
