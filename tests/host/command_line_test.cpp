#include <gtest/gtest.h>

#include "host/command_line.hpp"

namespace {

using host::Command;
using host::WidgetFamily;

std::variant<host::CommandLine, host::UsageError> parse(std::vector<std::string> arguments) {
  return host::parseCommandLine(arguments);
}

host::CommandLine parsed(std::vector<std::string> arguments) {
  auto result = parse(arguments);
  if (auto* error = std::get_if<host::UsageError>(&result)) {
    ADD_FAILURE() << testing::PrintToString(arguments) << ": " << error->message;
    return {};
  }
  return std::get<host::CommandLine>(result);
}

TEST(CommandLine, readsEachCommandsOptions) {
  auto render = parsed({"render", "--family", "all", "--format=svg", "--scale", "3", "--out",
                        "out/", "--dark", "--locale", "ru_RU", "--containers", "/tmp/c"});
  EXPECT_EQ(render.command, Command::render);
  EXPECT_EQ(render.families, (std::vector{WidgetFamily::systemSmall, WidgetFamily::systemMedium}));
  EXPECT_EQ(render.format, host::OutputFormat::svg);
  EXPECT_EQ(render.scale, 3);
  EXPECT_EQ(render.out, "out/");
  EXPECT_EQ(render.appearance, host::Appearance::dark);
  EXPECT_EQ(render.locale, "ru_RU");
  EXPECT_EQ(render.containers, "/tmp/c");

  auto tap = parsed({"tap", "-4.5", "12", "--family", "small", "--phone", "--print"});
  EXPECT_EQ(tap.tapPoint, (foundation::Point{-4.5, 12}));
  EXPECT_EQ(tap.families, std::vector{WidgetFamily::systemSmall});
  EXPECT_TRUE(tap.phone && tap.print);

  EXPECT_EQ(parsed({"run", "--reloads", "2"}).reloads, 2);
  EXPECT_TRUE(parsed({"timeline", "--json"}).json);
  EXPECT_EQ(parsed({"--locale", "en_US", "describe"}).locale, "en_US");

  EXPECT_EQ(parsed({"render", "--help"}).command, Command::help);
  EXPECT_EQ(parsed({"render", "--help"}).helpTopic, Command::render);
  EXPECT_EQ(parsed({"help", "tap"}).helpTopic, Command::tap);
  EXPECT_EQ(parsed({"--help"}).helpTopic, std::nullopt);
  EXPECT_EQ(parsed({"--version"}).command, Command::version);
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

TEST(CommandLine, helpNamesEveryCommandAndTheSmallWidgetRule) {
  const std::string help = host::helpText("pocketta-widget", std::nullopt);
  for (const char* command : {"render", "timeline", "gallery", "describe", "tap", "run"}) {
    EXPECT_NE(help.find(command), std::string::npos) << command;
  }
  const std::string tap = host::helpText("pocketta-widget", Command::tap);
  EXPECT_NE(tap.find("a small widget is one tap target"), std::string::npos);
  EXPECT_NE(tap.find("--phone"), std::string::npos);
  EXPECT_EQ(host::usageHint("pocketta-widget", Command::render),
            "Try 'pocketta-widget render --help'.");
}

}  // namespace
