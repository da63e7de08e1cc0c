#include "support/python_plistlib.hpp"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "foundation/unicode.hpp"
#include "support/temporary_containers.hpp"

extern char** environ;

namespace support {
namespace {

constexpr const char* kScript = R"(
import datetime, math, plistlib, sys
from datetime import datetime, timedelta

def canonical(value):
    if isinstance(value, bool):
        return ('bool', value)
    if isinstance(value, int):
        return ('integer', value)
    if isinstance(value, float):
        return ('real', value.hex())
    if isinstance(value, dict):
        return ('dict', [(key, canonical(item)) for key, item in value.items()])
    if isinstance(value, list):
        return ('array', [canonical(item) for item in value])
    return (type(value).__name__, value)

try:
    with open(sys.argv[1], 'rb') as file:
        found = plistlib.load(file)
except Exception as error:
    print('plistlib cannot read it: %s: %s' % (type(error).__name__, error))
    sys.exit(0)
with open(sys.argv[2], encoding='ascii') as file:
    expected = eval(file.read())

def difference(found, expected, path):
    if found[0] != expected[0] or found[0] not in ('dict', 'array'):
        return None if found == expected else (path, found, expected)
    if len(found[1]) != len(expected[1]):
        return (path, 'length %d' % len(found[1]), 'length %d' % len(expected[1]))
    for index, (a, b) in enumerate(zip(found[1], expected[1])):
        if found[0] == 'dict':
            if a[0] != b[0]:
                return (path + [index], 'key %r' % a[0], 'key %r' % b[0])
            a, b, place = a[1], b[1], a[0]
        else:
            place = index
        found_difference = difference(a, b, path + [place])
        if found_difference:
            return found_difference
    return None

found_difference = difference(canonical(found), canonical(expected), [])
if found_difference:
    path, a, b = found_difference
    print('at %r plistlib read %.200r, expected %.200r' % (path, a, b))
else:
    print('ok')
)";

std::string hexFloat(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "float.fromhex('%a')", value);
  return text;
}

std::string stringLiteral(std::string_view text) {
  std::string out = "'";
  for (std::size_t at = 0; at < text.size();) {
    const auto step = foundation::decodeUtf8(text, at);
    const char32_t c = step.codePoint;
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '\'') {
      out += static_cast<char>(c);
    } else {
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\U%08X", static_cast<unsigned>(c));
      out += escape;
    }
    at += step.length;
  }
  return out + "'";
}

}  // namespace

std::string pythonLiteral(const foundation::PropertyListValue& value) {
  using foundation::PropertyListValue;
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return hexFloat(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return stringLiteral(v);
        } else if constexpr (std::is_same_v<T, foundation::Date>) {
          return "(datetime(2001, 1, 1) + timedelta(seconds=" +
                 hexFloat(v.timeIntervalSinceReferenceDate) + "))";
        } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
          std::string hex;
          char pair[3];
          for (const std::uint8_t byte : v) {
            std::snprintf(pair, sizeof pair, "%02x", byte);
            hex += pair;
          }
          return "bytes.fromhex('" + hex + "')";
        } else if constexpr (std::is_same_v<T, PropertyListValue::Array>) {
          std::string out = "[";
          for (const auto& item : v) out += pythonLiteral(item) + ", ";
          return out + "]";
        } else {
          std::string out = "{";
          for (const auto& [key, item] : v)
            out += stringLiteral(key) + ": " + pythonLiteral(item) + ", ";
          return out + "}";
        }
      },
      value.value);
}

std::optional<std::string> checkWithPlistlib(const std::filesystem::path& file,
                                             const std::string& expected) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  const TemporaryContainers scratch;
  const std::string expectedFile = (scratch.root() / "expected.py").string();
  std::ofstream(expectedFile) << expected;
  std::vector<std::string> words = {"python3", "-c", kScript, file.string(), expectedFile};
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string output;
  if (spawned == 0) {
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
      if (got < 0) break;
      output.append(buffer, static_cast<std::size_t>(got));
    }
  }
  ::close(pipeFds[0]);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  ::waitpid(child, &status, 0);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "python3 failed: " + output;
  return output;
}

}  // namespace support
