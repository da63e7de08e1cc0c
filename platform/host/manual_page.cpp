#include "host/manual_page.hpp"

#include <string_view>
#include <vector>

#include "foundation/unicode.hpp"
#include "host/command_table.hpp"
#include "host/help_text.hpp"
#include "host/output_format.hpp"

namespace host {
namespace {

// Text as roff reads it literally: backslashes and hyphens escaped (a '-' left alone may be set
// as a hyphen, which a reader cannot paste into a command line), other characters than ASCII
// named by their code points, and a line that would start with a control character guarded.
std::string roff(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const auto step = foundation::decodeUtf8(text, at);
    const char32_t c = step.valid ? step.codePoint : 0xFFFD;
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if (c == '\n') {
      out += '\n';
    } else if (c < 0x20 || c >= 0x7F) {
      constexpr char kHex[] = "0123456789ABCDEF";
      std::string hex;
      for (char32_t v = c; v > 0 || hex.size() < 4; v >>= 4) hex.insert(hex.begin(), kHex[v & 0xF]);
      out += "\\[u" + hex + "]";
    } else {
      if ((c == '.' || c == '\'') && (out.empty() || out.back() == '\n')) out += "\\&";
      out += static_cast<char>(c);
      // A line may break after a comma within a word, as in the JSON shapes the help shows.
      if (c == ',' && at + 1 < text.size() && text[at + 1] != ' ') out += "\\:";
    }
    at += step.valid ? step.length : 1;
  }
  return out;
}

// A text of the help, which breaks its lines for 79 columns: filled again as paragraphs, its
// empty lines between paragraphs, and its indented lines (a list laid out in columns) kept as
// they are.
std::string paragraphs(std::string_view text) {
  std::string out;
  bool keeping = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    const bool indented = line.starts_with("  ");
    if (indented != keeping) {
      out += indented ? ".nf\n" : ".fi\n";
      keeping = indented;
    }
    out += line.empty() ? ".PP\n" : roff(line) + "\n";
    start = end + 1;
  }
  if (keeping) out += ".fi\n";
  return out;
}

// ".TP" and the option's spellings in bold, its value in italics, then its help.
std::string optionEntry(const OptionSpec& option, std::string_view containersVariable) {
  std::string head = "\\fB" + roff(option.name) + "\\fR";
  if (!option.alias.empty()) head += ", \\fB" + roff(option.alias) + "\\fR";
  if (option.takesValue()) head += " \\fI" + roff(option.valueName) + "\\fR";
  std::string help = roff(optionHelp(option, containersVariable));
  for (auto at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 5)) {
    help.replace(at, 1, "\n.br\n");
  }
  return ".TP\n" + head + "\n" + help + "\n";
}

}  // namespace

std::string manualPage(const BundleInfo& info, std::span<const std::string> entryFields) {
  const std::string program = roff(info.executableName);
  const std::string variable = info.containersVariable;
  std::string page;
  page += ".\\\" Made by '" + info.executableName +
          " --generate man' from the tables its --help is made from.\n";
  page += ".TH " + roff(info.executableName) + " 1 \"\" \"" + program + " " + roff(info.version) +
          "\" \"User Commands\"\n";
  // Left-aligned: the JSON shapes in the help are words too long to spread a line around.
  page += ".ad l\n";
  page += ".SH NAME\n" + program + " \\- " + roff(hostPurpose()) + "\n";
  page += ".SH SYNOPSIS\n";
  for (const auto& spec : commandSpecs()) {
    page += ".B " + program + "\n.B " + roff(spec.name) + "\n";
    if (!spec.arguments.empty()) page += ".I \"" + roff(spec.arguments.substr(1)) + "\"\n";
    page += ".RI [ options ]\n.br\n";
  }
  page += ".B " + program + "\n.RI [ command ]\n.B \\-\\-help\n";
  page += ".SH DESCRIPTION\n" + roff(hostPurpose()) +
          " A command's options follow it or stand before it; "
          "\\fB\\-\\-help\\fR, \\fB\\-h\\fR and \\fB\\-\\-version\\fR win wherever they stand "
          "and run nothing; \\fB\\-\\-\\fR ends the options; a mistyped command or option gets a "
          "suggestion.\n";

  page += ".SH COMMANDS\n";
  for (const auto& spec : commandSpecs()) {
    page += ".SS " + roff(spec.name) + "\n" + paragraphs(spec.description);
    for (const auto& option : optionSpecs()) {
      if (!option.isCommon() && option.takenBy(spec.command)) {
        page += optionEntry(option, variable);
      }
    }
    if (isOneOf(spec.command, kValueCommands)) {
      for (const auto& field : entryFields) {
        page += ".TP\n\\fB\\-\\-" + roff(field) + "\\fR \\fIX\\fR\nthe entry's " + roff(field) +
                " in place of the store's\n";
      }
    }
  }

  page += ".SH \"COMMON OPTIONS\"\n";
  for (const auto& option : optionSpecs()) {
    if (option.isCommon()) page += optionEntry(option, variable);
  }

  page +=
      ".SH FORMATS\nWhat \\fB\\-\\-format\\fR takes, and the extension that names it in "
      "\\fB\\-\\-out\\fR:\n";
  for (const auto& format : outputFormats()) {
    page += ".TP\n\\fB" + roff(format.name) + "\\fR (" + roff(format.extension) + ")\n" +
            roff(format.help) + "\n";
  }

  page += ".SH ENVIRONMENT\n";
  if (!variable.empty()) {
    page += ".TP\n.B " + roff(variable) +
            "\nThe App Group containers root, when \\fB\\-\\-containers\\fR is not given.\n";
  }
  page +=
      ".TP\n.B XDG_DATA_HOME\nWhen absolute, the containers root is its group\\-containers "
      "folder; else ~/.local/share/group\\-containers.\n"
      ".TP\n.BR LANGUAGE \", \" LC_ALL \", \" LC_MESSAGES \", \" LANG\n"
      "The user's languages, for the texts: \\fBLANGUAGE\\fR (a colon\\-separated list), then the "
      "first of the others that is set. \\fB\\-\\-locale\\fR sets both these and the locale.\n"
      ".TP\n.BR LC_MONETARY \", \" LC_NUMERIC\nThe user's locale, for numbers, after "
      "\\fBLC_ALL\\fR and before \\fBLANG\\fR.\n"
      ".TP\n.B COLUMNS\nThe width of a terminal picture, else the terminal's, else 80 columns.\n"
      ".TP\n.BR NO_COLOR \", \" TERM\nUnder \\fBNO_COLOR\\fR or \\fBTERM=dumb\\fR the terminal "
      "preview is plain text; otherwise a terminal gets a picture in the protocol its "
      "environment names (\\fBTERM\\fR, \\fBTERM_PROGRAM\\fR and others, as chafa's terminal "
      "database reads them).\n";

  page += ".SH FILES\n";
  if (!info.applicationGroups.empty()) {
    const std::string group = roff(info.applicationGroups.front());
    page += ".TP\n.I <containers root>/" + group + "/Library/Preferences/" + group +
            ".plist\nThe App Group's store, a binary or XML property list: the widget reads it, "
            "\\fBdefaults\\fR changes it.\n";
  }
  page += ".TP\n.I <prefix>/share/" + program +
          "/\nThe string tables and the locale data, found from the executable in "
          "<prefix>/bin (in a build tree, the folder \\fIresources\\fR beside it).\n";

  page += ".SH \"EXIT STATUS\"\n" + roff(exitStatusText()) + "\n";
  page += ".SH EXAMPLES\n.nf\n";
  for (const std::string_view example : {
           " defaults write balance \\-float 12840.5",
           " defaults write todayExpense \\-float 86.4",
           " defaults read",
           " render",
           " render \\-\\-out out/ \\-\\-scale 3",
           " render \\-\\-format terminal \\-\\-family small",
           " run \\-\\-out out/",
       }) {
    page += program + std::string(example) + "\n";
  }
  page += ".fi\n";
  return page;
}

}  // namespace host
