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

enum class OutputFormat : std::uint8_t { png, svg, terminal, tree };

// How a picture is drawn, beyond its list and canvas.
struct PictureSettings {
  int scale = 1;  // pixels per point
  ui::TerminalOptions terminal;
};

// Everything the host knows of one output format. Adding a format is one row of
// outputFormats() and, where it needs one, its renderer.
struct OutputFormatSpec {
  OutputFormat format;
  std::string_view name;       // as --format takes it
  std::string_view extension;  // of its files, matched without regard to case
  std::string_view help;
  bool pixels;      // drawn in pixels: --scale applies
  bool binary;      // never written to a terminal
  bool onePicture;  // a stream holds one picture, so several go to files
  // Draws a display list; null: the format shows the view tree itself, not a drawing.
  std::string (*draw)(const ui::DisplayList& list, const ui::WidgetCanvas& canvas,
                      const PictureSettings& settings);
};

std::span<const OutputFormatSpec> outputFormats();
const OutputFormatSpec& specOf(OutputFormat format);
std::string_view toString(OutputFormat format);
std::optional<OutputFormat> formatNamed(std::string_view name);
std::optional<OutputFormat> formatForExtension(const std::filesystem::path& path);
// "png, svg, terminal or tree".
std::string formatNames();

}  // namespace host
