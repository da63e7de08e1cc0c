#include "ui/view/view_dump.hpp"

#include <charconv>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "foundation/shortest_decimal.hpp"

namespace ui {

namespace {

// Characters a reader could not tell apart from a space or from nothing at all: controls, the
// unusual spaces and the directional and invisible format marks that locale data puts into
// formatted numbers.
bool isInvisible(char32_t c) {
  return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xA0 || c == 0xAD ||
         c == 0x061C || (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
         (c >= 0x205F && c <= 0x206F) || c == 0xFEFF;
}

void appendHex(std::string& out, std::uint32_t value, const char* prefix) {
  char buffer[16];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
  std::string digits(buffer, result.ptr);
  for (auto& c : digits) c = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
  if (digits.size() < 4 && prefix[1] == 'u') digits.insert(0, 4 - digits.size(), '0');
  out += prefix;
  out += digits;
  out += '}';
}

// Decodes one UTF-8 sequence at `text[i]`; answers the code point and its length, or length 0
// where the bytes are not well-formed.
std::pair<char32_t, std::size_t> decode(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if (lead < 0x80) return {lead, 1};
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    return {0, 0};
  }
  if (i + length > text.size()) return {0, 0};
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

// A double-quoted string, with quotes, backslashes, invisible characters (\u{202F}) and bytes
// that are not UTF-8 (\x{FF}) escaped, so every character of the text can be seen.
std::string quotedText(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    auto [c, length] = decode(text, i);
    if (length == 0) {
      appendHex(out, static_cast<unsigned char>(text[i]), "\\x{");
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (isInvisible(c)) {
      appendHex(out, c, "\\u{");
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out + "\"";
}

std::string describe(const foundation::Locale& locale) {
  return locale.isAutoupdating() ? "autoupdatingCurrent" : locale.identifier();
}

std::string describe(const FormatStyle& style) {
  using Decimal = foundation::FloatingPointFormatStyle<double>;
  if (const auto* decimal = std::get_if<Decimal>(&style)) {
    std::string text = "number(locale: " + describe(decimal->locale);
    if (decimal->precision_) {
      const auto& digits = decimal->precision_->fractionDigits;
      text += ", fractionLength: " + std::to_string(digits.lowerBound) + "..." +
              std::to_string(digits.upperBound);
    }
    return text + ")";
  }
  const auto& currency = std::get<Decimal::Currency>(style);
  return "currency(code: " + quotedText(currency.code) + ", locale: " + describe(currency.locale) +
         ")";
}

std::string optionalText(const std::optional<double>& value) {
  return value ? foundation::shortestDecimal(*value) : "nil";
}

class Dumper {
 public:
  explicit Dumper(const DumpOptions& options) : options_(options) {}

  void view(const View& view, int depth, std::string_view slot = {}) {
    line(depth,
         std::string(slot) + std::visit([&](const auto& node) { return head(node); }, view.node));
    std::visit([&](const auto& node) { children(node, depth + 1); }, view.node);
    for (const auto& modifier : view.modifiers) {
      line(depth + 1, describe(modifier));
      if (const auto* background = std::get_if<ContainerBackgroundModifier>(&modifier)) {
        this->view(*background->content, depth + 2);
      }
    }
  }

  std::string result() const { return out_.str(); }

 private:
  void line(int depth, const std::string& text) {
    out_ << std::string(static_cast<std::size_t>(depth) * 2, ' ') << text << '\n';
  }

  static std::string head(const VStack& node) {
    return "VStack(alignment: " + std::string(toString(node.alignment)) +
           ", spacing: " + optionalText(node.spacing) + ")";
  }
  static std::string head(const HStack& node) {
    return "HStack(alignment: " + std::string(toString(node.alignment)) +
           ", spacing: " + optionalText(node.spacing) + ")";
  }
  static std::string head(const Spacer& node) {
    return "Spacer(minLength: " + optionalText(node.minLength) + ")";
  }
  std::string head(const Text& node) const {
    std::string text = "Text(";
    if (const auto* localized = std::get_if<LocalizedText>(&node.content)) {
      const auto optional = [](const std::optional<std::string>& value) {
        return value ? quotedText(*value) : std::string("nil");
      };
      text += quotedText(localized->key.key) + ", tableName: " + optional(localized->tableName) +
              ", bundle: " + optional(localized->bundle) +
              ", comment: " + optional(localized->comment);
    } else if (const auto* number = std::get_if<FormattedNumber>(&node.content)) {
      text +=
          foundation::shortestDecimal(number->value) + ", format: " + describe(number->style) +
          ", shows: " +
          quotedText(formatted(*number, options_.locale.value_or(foundation::Locale::current())));
    } else {
      text += "verbatim: " + quotedText(std::get<VerbatimText>(node.content).content);
    }
    text += ", font: " + (node.ownFont ? toString(*node.ownFont) : std::string("nil"));
    return text + ")";
  }
  static std::string head(const Image& node) {
    return "Image(systemName: " + quotedText(node.systemName) + ")";
  }
  static std::string head(const Label& node) {
    if (const auto* keyed = std::get_if<TitleKeyAndSystemImage>(&node.content)) {
      return "Label(" + quotedText(keyed->title.key) +
             ", systemImage: " + quotedText(keyed->systemImage) + ")";
    }
    return "Label(title:icon:)";
  }
  static std::string head(const Link& node) {
    return "Link(destination: " + quotedText(node.destination.absoluteString()) + ")";
  }
  static std::string head(const LinearGradient& node) {
    std::string colors;
    for (const auto& color : node.gradient.colors) {
      colors += (colors.empty() ? "" : ", ") + toString(color);
    }
    return "LinearGradient(colors: [" + colors + "], startPoint: " + toString(node.startPoint) +
           ", endPoint: " + toString(node.endPoint) + ")";
  }

  void children(const VStack& node, int depth) {
    for (const auto& child : node.children) view(child, depth);
  }
  void children(const HStack& node, int depth) {
    for (const auto& child : node.children) view(child, depth);
  }
  void children(const Label& node, int depth) {
    if (const auto* slots = std::get_if<TitleAndIcon>(&node.content)) {
      view(*slots->title, depth, "title: ");
      view(*slots->icon, depth, "icon: ");
    }
  }
  void children(const Link& node, int depth) { view(*node.label, depth, "label: "); }
  template <class Leaf>
  void children(const Leaf&, int) {}

  const DumpOptions& options_;
  std::ostringstream out_;
};

}  // namespace

std::string describe(const Modifier& modifier) {
  struct Describe {
    std::string operator()(const FontModifier& m) const {
      return ".font(" + toString(m.font) + ")";
    }
    std::string operator()(const ForegroundStyleModifier& m) const {
      return ".foregroundStyle(" + toString(m.color) + ")";
    }
    std::string operator()(const MinimumScaleFactorModifier& m) const {
      return ".minimumScaleFactor(" + foundation::shortestDecimal(m.factor) + ")";
    }
    std::string operator()(const LineLimitModifier& m) const {
      return ".lineLimit(" + (m.limit ? std::to_string(*m.limit) : std::string("nil")) + ")";
    }
    std::string operator()(const ContainerBackgroundModifier& m) const {
      return ".containerBackground(for: " + std::string(toString(m.placement)) +
             ", alignment: " + toString(m.alignment) + ")";
    }
  };
  return std::visit(Describe{}, modifier);
}

std::string dump(const View& view, const DumpOptions& options) {
  Dumper dumper(options);
  dumper.view(view, 0);
  return dumper.result();
}

void PrintTo(const View& view, std::ostream* os) {
  *os << '\n' << dump(view);
}
void PrintTo(const VStack& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const HStack& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const Spacer& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const Text& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const Image& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const Label& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const Link& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const LinearGradient& node, std::ostream* os) {
  PrintTo(View(node), os);
}
void PrintTo(const Modifier& modifier, std::ostream* os) {
  *os << describe(modifier);
}

}  // namespace ui
