#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "host/command_context.hpp"
#include "host/output_format.hpp"

namespace host {

// Where a command's pictures go, decided from --out, --format and --name before anything is
// rendered.
struct OutputPlan {
  OutputFormat format = OutputFormat::terminal;
  // One file per picture: <folder>/<name from the template><extension>.
  std::optional<std::filesystem::path> folder;
  std::string nameTemplate;
  std::string extension;
  std::optional<std::filesystem::path> file;    // the one picture
  std::optional<std::filesystem::path> device;  // written directly, as standard output is
  // The terminal the pictures are drawn for, with the library that draws graphics when the format
  // is OutputFormat::graphics.
  ui::TerminalOptions terminal;
  bool toStream() const { return !folder && !file; }
};

// The plan for pictures named `pictureNames` ("small", "medium"; what {family} stands for).
// Refuses, before anything is written, a plan that would give two pictures one file. Standard
// output without a format gets graphics when it is a terminal with colour and chafa can be
// opened, else the terminal preview.
std::variant<OutputPlan, CommandResult> planOutput(const CommandContext& context,
                                                   const std::vector<std::string>& pictureNames);

// The file of the picture named `name`.
std::filesystem::path pictureFile(const CommandContext& context, const OutputPlan& plan,
                                  std::string_view name);

// Writes each picture (name, bytes) whole, one line per file on standard error unless --quiet or
// the live host; a stream gets them one after another, titled when there are several.
CommandResult writePictures(const CommandContext& context, const OutputPlan& plan,
                            const std::vector<std::pair<std::string, std::string>>& pictures);

}  // namespace host
