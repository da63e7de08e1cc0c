#include <gtest/gtest.h>

#include "host/command_line.hpp"

namespace {

using host::Command;
using host::WidgetFamily;

std::variant<host::CommandLine, host::UsageError> parse(std::vector<std::string> arguments) {
  return host::parseCommandLine(arguments);
}

TEST(CommandLine, readsWhatTheEndToEndRunsLeaveOut) {
  const auto tap = std::get<host::CommandLine>(
      parse({"--locale=en_US", "tap", "-4.5", "12", "--family", "systemSmall", "--phone"}));
  EXPECT_EQ(tap.tapPoint, (foundation::Point{-4.5, 12}));
  EXPECT_EQ(tap.families, std::vector{WidgetFamily::systemSmall});
  EXPECT_EQ(tap.locale, "en_US");
  EXPECT_TRUE(tap.phone);
  EXPECT_EQ(std::get<host::CommandLine>(parse({"help", "tap"})).helpTopic, Command::tap);
  EXPECT_EQ(std::get<host::CommandLine>(parse({"--help", "frob"})).helpTopic, std::nullopt);
}

TEST(CommandLine, refusesWithOneLineNamingTheProblem) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "missing command"},
      {{"frob"}, "unknown command 'frob'"},
      {{"render", "--bogus"}, "unknown option '--bogus'"},
      {{"render", "--family", "large"}, "invalid value 'large' for --family"},
      {{"render", "--family"}, "option '--family' needs a value"},
      {{"render", "--scale", "4"}, "invalid value '4' for --scale"},
      {{"render", "--scale", "1.5"}, "invalid value '1.5' for --scale"},
      {{"render", "--format", "jpeg"}, "invalid value 'jpeg' for --format"},
      {{"render", "--appearance", "sepia"}, "invalid value 'sepia' for --appearance"},
      {{"render", "--dark=yes"}, "option '--dark' takes no value"},
      {{"gallery", "--text-size", "Large"}, "invalid value 'Large' for --text-size"},
      {{"fit", "--text-sizes", "large,AX5"}, "invalid value 'large,AX5' for --text-sizes"},
      {{"render", "--json"}, "option '--json' is not an option of render"},
      {{"render", "--placeholder", "--snapshot"}, "exclude each other"},
      {{"render", "extra"}, "unexpected argument 'extra'"},
      {{"timeline", "--out", "x"}, "option '--out' is not an option of timeline"},
      {{"tap"}, "tap needs two numbers"},
      {{"tap", "1"}, "tap needs two numbers"},
      {{"tap", "x", "1"}, "invalid X 'x'"},
      {{"tap", "1", "nan"}, "invalid Y 'nan'"},
      {{"tap", "1", "2", "--family", "all"}, "invalid value 'all' for --family"},
      {{"tap", "1", "2", "--print", "--open-with", "echo"}, "exclude each other"},
      {{"run", "--reloads", "0"}, "invalid value '0' for --reloads"},
      {{"run", "--reloads", "two"}, "invalid value 'two' for --reloads"},
      {{"--family", "small", "render"}, "needs a command before it"},
      {{"describe", "--locale", ""}, "invalid value '' for --locale"},
  };
  for (const auto& [arguments, expected] : cases) {
    const auto result = parse(arguments);
    const auto* error = std::get_if<host::UsageError>(&result);
    ASSERT_NE(error, nullptr) << testing::PrintToString(arguments);
    EXPECT_NE(error->message.find(expected), std::string::npos)
        << testing::PrintToString(arguments) << " gave: " << error->message;
    EXPECT_EQ(error->message.find('\n'), std::string::npos);
  }
}

}  // namespace
