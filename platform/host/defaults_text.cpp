#include "host/defaults_text.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "foundation/property_list/iso8601_date_text.hpp"
#include "foundation/shortest_decimal.hpp"

namespace host {
namespace {

using foundation::PropertyListValue;
using Array = PropertyListValue::Array;
using Dictionary = PropertyListValue::Dictionary;

constexpr std::size_t kIndent = 4;

// "2026-12-06 08:30:00 +0000"; a date no time stamp can show, as its seconds.
std::string dateText(foundation::Date date) {
  if (auto text = foundation::iso8601DateText(date.timeIntervalSinceReferenceDate)) {
    (*text)[10] = ' ';
    text->pop_back();  // the Z
    return *text + " +0000";
  }
  return foundation::shortestDecimal(date.timeIntervalSinceReferenceDate) +
         " seconds from 2001-01-01";
}

std::string dataText(const PropertyListValue::Data& data) {
  const auto hex = [&](std::size_t from, std::size_t to, bool grouped) {
    std::string text;
    char pair[3];
    for (std::size_t n = from; n < to; ++n) {
      std::snprintf(pair, sizeof pair, "%02x", data[n]);
      text += pair;
      if (grouped && (n - from) % 4 == 3) text += ' ';
    }
    return text;
  };
  std::string bytes = data.size() <= 24
                          ? hex(0, data.size(), false)
                          : hex(0, 16, true) + "... " + hex(data.size() - 8, data.size(), true);
  return "{length = " + std::to_string(data.size()) + ", bytes = 0x" + bytes + "}";
}

// A scalar's text, bare.
std::string bareText(const PropertyListValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return v ? "1" : "0";
        } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return foundation::shortestDecimal(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, foundation::Date>) {
          return dateText(v);
        } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
          return dataText(v);
        } else {
          return {};  // containers are laid out by appendValue
        }
      },
      value.value);
}

bool isBare(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

void appendQuoted(std::string& out, std::string_view text) {
  if (isBare(text)) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\U%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// Without recursion past the store's nesting (128 containers): the reader made the value.
void appendValue(std::string& out, const PropertyListValue& value, std::size_t level) {
  const std::string inner((level + 1) * kIndent, ' ');
  if (const auto* array = std::get_if<Array>(&value.value)) {
    out += "(\n";
    for (std::size_t n = 0; n < array->size(); ++n) {
      out += inner;
      appendValue(out, (*array)[n], level + 1);
      out += n + 1 < array->size() ? ",\n" : "\n";
    }
    out.append(level * kIndent, ' ');
    out += ')';
  } else if (const auto* dictionary = std::get_if<Dictionary>(&value.value)) {
    std::vector<const Dictionary::value_type*> entries;
    for (const auto& entry : *dictionary) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    out += "{\n";
    for (const auto* entry : entries) {
      out += inner;
      appendQuoted(out, entry->first);
      out += " = ";
      appendValue(out, entry->second, level + 1);
      out += ";\n";
    }
    out.append(level * kIndent, ' ');
    out += '}';
  } else if (std::holds_alternative<PropertyListValue::Data>(value.value) ||
             std::holds_alternative<bool>(value.value)) {
    out += bareText(value);
  } else {
    appendQuoted(out, bareText(value));
  }
}

}  // namespace

std::string defaultsText(const PropertyListValue& value) {
  std::string out;
  appendValue(out, value, 0);
  return out;
}

std::string defaultsValueText(const PropertyListValue& value) {
  if (std::holds_alternative<Array>(value.value) ||
      std::holds_alternative<Dictionary>(value.value)) {
    return defaultsText(value);
  }
  return bareText(value);
}

}  // namespace host
