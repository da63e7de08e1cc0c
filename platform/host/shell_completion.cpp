#include "host/shell_completion.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

#include "host/command_table.hpp"
#include "host/help_text.hpp"
#include "host/output_format.hpp"

namespace host {
namespace {

// What a value of an option completes to, by the name the help gives the value.
struct ValueCompletion {
  enum class Kind : std::uint8_t { nothing, words, files, folders };
  Kind kind = Kind::nothing;
  std::vector<std::string> words;
};

ValueCompletion valueCompletion(const OptionSpec& option) {
  using Kind = ValueCompletion::Kind;
  const std::string_view value = option.valueName;
  if (value == "PATH" || value == "FILE") return {Kind::files, {}};
  if (value == "DIR") return {Kind::folders, {}};
  std::vector<std::string> words;
  if (value == "FORMAT") {
    for (const auto& format : outputFormats()) words.emplace_back(format.name);
  } else if (value == "FAMILY") {
    words = {std::string(shortName(WidgetFamily::systemSmall)),
             std::string(shortName(WidgetFamily::systemMedium)), "all"};
  } else if (value == "SIZE") {
    for (const auto size : ui::kAllDynamicTypeSizes) words.emplace_back(ui::toString(size));
  } else if (value == "MODE") {
    words = {std::string(toString(Appearance::light)), std::string(toString(Appearance::dark))};
  }
  if (words.empty()) return {};
  return {Kind::words, words};
}

// The verbs of a command that takes one, from its arguments in the usage line
// (" read [KEY] | write KEY ..." gives read and write).
std::vector<std::string> verbsOf(const CommandSpec& spec) {
  std::vector<std::string> verbs;
  if (!spec.takesVerb) return verbs;
  std::string_view rest = spec.arguments;
  while (!rest.empty()) {
    const auto bar = rest.find('|');
    std::string_view alternative = rest.substr(0, bar);
    alternative.remove_prefix(std::min(alternative.find_first_not_of(' '), alternative.size()));
    verbs.emplace_back(alternative.substr(0, alternative.find(' ')));
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
  }
  return verbs;
}

// The types `defaults write` takes before its value, as parseDefaultsRequest reads them.
constexpr std::string_view kDefaultsTypes = "-string -int -float -bool -date";

std::vector<std::string> optionWords(std::optional<Command> command,
                                     std::span<const std::string> entryFields) {
  std::vector<std::string> words;
  for (const auto& option : optionSpecs()) {
    const bool taken = command ? option.takenBy(*command) : option.isCommon();
    if (!taken) continue;
    for (const std::string_view spelling : {option.name, option.alias}) {
      if (!spelling.empty() && std::find(words.begin(), words.end(), spelling) == words.end()) {
        words.emplace_back(spelling);
      }
    }
  }
  if (command && isOneOf(*command, kValueCommands)) {
    for (const auto& field : entryFields) words.push_back("--" + field);
  }
  return words;
}

std::string joined(const std::vector<std::string>& words, std::string_view separator = " ") {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : std::string(separator)) + word;
  return out;
}

std::string functionName(const std::string& program) {
  std::string name = "_" + program;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '_');
  name[0] = '_';
  return name;
}

// Text inside single quotes in a shell script.
std::string singleQuoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Text in a description of zsh's _arguments or _describe, with what would end it escaped.
std::string escapedForZsh(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '[' || c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// An option's help without its parentheses, cut to its first clause, for the one line zsh shows
// beside it.
std::string shortHelp(std::string_view help) {
  std::string plain;
  int depth = 0;
  for (const char c : help) {
    depth += c == '(' ? 1 : 0;
    if (depth == 0) plain += c;
    depth -= c == ')' && depth > 0 ? 1 : 0;
  }
  for (auto at = plain.find(" ,"); at != std::string::npos; at = plain.find(" ,"))
    plain.erase(at, 1);
  std::string_view clause = plain;
  for (const std::string_view stop : {"; ", ": ", ". ", "\n"}) {
    clause = clause.substr(0, clause.find(stop));
  }
  while (!clause.empty() &&
         (clause.back() == ':' || clause.back() == ',' || clause.back() == ' ')) {
    clause.remove_suffix(1);
  }
  return escapedForZsh(clause);
}

}  // namespace

std::string bashCompletion(const BundleInfo& info, std::span<const std::string> entryFields) {
  const std::string function = functionName(info.executableName);
  std::vector<std::string> commands;
  for (const auto& spec : commandSpecs()) commands.emplace_back(spec.name);

  // Every option that takes a value, and what its value completes to; the options whose values
  // complete to nothing end the completion there.
  std::vector<std::string> valueOptions;
  std::vector<std::string> freeValues;
  std::string valueCases;
  for (const auto& option : optionSpecs()) {
    if (!option.takesValue()) continue;
    if (std::find(valueOptions.begin(), valueOptions.end(), option.name) != valueOptions.end()) {
      continue;
    }
    valueOptions.emplace_back(option.name);
    const ValueCompletion value = valueCompletion(option);
    std::string action;
    if (value.kind == ValueCompletion::Kind::files) {
      action = function + "_paths -f";
    } else if (value.kind == ValueCompletion::Kind::folders) {
      action = function + "_paths -d";
    } else if (value.kind == ValueCompletion::Kind::words) {
      action = "COMPREPLY=($(compgen -W " + singleQuoted(joined(value.words)) + " -- \"$cur\"))";
    } else {
      freeValues.emplace_back(option.name);
      continue;
    }
    valueCases += "    " + std::string(option.name) + ") " + action + "; return ;;\n";
  }
  for (const auto& field : entryFields) {
    valueOptions.push_back("--" + field);
    freeValues.push_back("--" + field);
  }
  if (!freeValues.empty()) valueCases += "    " + joined(freeValues, "|") + ") return ;;\n";

  std::string commandCases;
  std::string verbCases;
  for (const auto& spec : commandSpecs()) {
    commandCases += "    " + std::string(spec.name) +
                    ") options=" + singleQuoted(joined(optionWords(spec.command, entryFields))) +
                    " ;;\n";
    if (const auto verbs = verbsOf(spec); !verbs.empty()) {
      verbCases += "    " + std::string(spec.name) + ")\n";
      verbCases += "      if (( ${#arguments[@]} == 0 )); then\n";
      verbCases += "        words=" + singleQuoted(joined(verbs)) + "\n";
      verbCases += "      elif [[ ${arguments[0]} == import && ${#arguments[@]} == 1 ]]; then\n";
      verbCases += "        " + function + "_paths -f; return\n";
      verbCases += "      elif [[ ${arguments[0]} == write && ${#arguments[@]} == 2 ]]; then\n";
      verbCases += "        words=" + singleQuoted(kDefaultsTypes) + "\n";
      verbCases += "      fi ;;\n";
    }
  }

  std::string s;
  s += "# bash completion for " + info.executableName + "\n";
  s += "# Made by '" + info.executableName +
       " --generate bash' from the tables its --help is made from.\n\n";
  s += function + "_paths() {\n";
  s += "  local IFS=$'\\n'\n";
  s += "  COMPREPLY=($(compgen \"$1\" -- \"$cur\"))\n";
  s += "  compopt -o filenames 2>/dev/null\n";
  s += "}\n\n";
  s += function + "() {\n";
  s += "  local cur=${COMP_WORDS[COMP_CWORD]} prev= command= word i\n";
  s += "  local -a arguments=()\n";
  s += "  (( COMP_CWORD > 0 )) && prev=${COMP_WORDS[COMP_CWORD-1]}\n";
  s += "  COMPREPLY=()\n";
  s += "  # The command, and the words after it that are not options or their values.\n";
  s += "  for (( i = 1; i < COMP_CWORD; i++ )); do\n";
  s += "    word=${COMP_WORDS[i]}\n";
  s += "    case $word in\n";
  s += "      " + joined(valueOptions, "|") + ") (( i++ )) ;;\n";
  s += "      -?*) ;;\n";
  s += "      *) if [[ -z $command ]]; then command=$word; else arguments+=(\"$word\"); fi ;;\n";
  s += "    esac\n";
  s += "  done\n";
  s += "  case $prev in\n" + valueCases + "  esac\n";
  s += "  if [[ -z $command ]]; then\n";
  s += "    local words=" + singleQuoted(joined(commands)) + "\n";
  s +=
      "    [[ $cur == -* ]] && words=" + singleQuoted(joined(optionWords(std::nullopt, {}))) + "\n";
  s += "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n";
  s += "    return\n";
  s += "  fi\n";
  s += "  local options= words=\n";
  s += "  case $command in\n" + commandCases + "    *) return ;;\n  esac\n";
  if (!verbCases.empty()) s += "  case $command in\n" + verbCases + "  esac\n";
  s += "  [[ $cur == -* ]] && words=\"$options $words\"\n";
  s += "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n";
  s += "}\n";
  s += "complete -F " + function + " " + info.executableName + "\n";
  return s;
}

std::string zshCompletion(const BundleInfo& info, std::span<const std::string> entryFields) {
  const std::string function = functionName(info.executableName);
  auto specOf = [&](const OptionSpec& option, std::string_view spelling, int indent) {
    std::string help = shortHelp(optionHelp(option, info.containersVariable));
    std::string spec = std::string(spelling) + "[" + help + "]";
    if (option.takesValue()) {
      const ValueCompletion value = valueCompletion(option);
      std::string action = " ";
      if (value.kind == ValueCompletion::Kind::files) action = "_files";
      if (value.kind == ValueCompletion::Kind::folders) action = "_files -/";
      if (value.kind == ValueCompletion::Kind::words) action = "(" + joined(value.words) + ")";
      spec += ":" + std::string(option.valueName) + ":" + action;
    }
    return std::string(static_cast<std::size_t>(indent), ' ') + singleQuoted(spec) + "\n";
  };
  auto optionSpecsOf = [&](std::optional<Command> command, int indent) {
    std::string specs;
    for (const auto& option : optionSpecs()) {
      if (command ? (option.isCommon() || !option.takenBy(*command)) : !option.isCommon()) {
        continue;
      }
      specs += specOf(option, option.name, indent);
      if (!option.alias.empty()) specs += specOf(option, option.alias, indent);
    }
    if (command && isOneOf(*command, kValueCommands)) {
      for (const auto& field : entryFields) {
        specs += std::string(static_cast<std::size_t>(indent), ' ') +
                 singleQuoted("--" + field + "[the entry's " + field + "]:X: ") + "\n";
      }
    }
    return specs;
  };

  std::string s;
  s += "#compdef " + info.executableName + "\n";
  s += "# Made by '" + info.executableName +
       " --generate zsh' from the tables its --help is made from.\n\n";
  s += function + "() {\n";
  s += "  local curcontext=$curcontext state state_descr line ret=1\n";
  s += "  typeset -A opt_args\n";
  s += "  local -a common=(\n" + optionSpecsOf(std::nullopt, 4) + "  )\n";
  s += "  _arguments -C $common '1:command:->command' '*::argument:->argument' && ret=0\n";
  s += "  case $state in\n";
  s += "    command)\n";
  s += "      local -a commands=(\n";
  for (const auto& spec : commandSpecs()) {
    s += "        " + singleQuoted(std::string(spec.name) + ":" + escapedForZsh(spec.summary)) +
         "\n";
  }
  s += "      )\n";
  s += "      _describe -t commands command commands && ret=0 ;;\n";
  s += "    argument)\n";
  s += "      case $words[1] in\n";
  for (const auto& spec : commandSpecs()) {
    std::string positional;
    if (const auto verbs = verbsOf(spec); !verbs.empty()) {
      positional = " '1:verb:(" + joined(verbs) + ")' '*:word:_default'";
    } else if (!spec.arguments.empty()) {
      int n = 0;
      std::string_view rest = spec.arguments;
      while (!rest.empty()) {
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        const auto word = rest.substr(0, rest.find(' '));
        if (!word.empty())
          positional += " '" + std::to_string(++n) + ":" + std::string(word) + ": '";
        rest.remove_prefix(word.size());
      }
    }
    s += "        " + std::string(spec.name) + ")\n";
    s += "          local -a options=(\n" + optionSpecsOf(spec.command, 12) + "          )\n";
    s += "          _arguments $common $options" + positional + " && ret=0 ;;\n";
  }
  s += "      esac ;;\n";
  s += "  esac\n";
  s += "  return ret\n";
  s += "}\n\n";
  s += function + " \"$@\"\n";
  return s;
}

}  // namespace host
