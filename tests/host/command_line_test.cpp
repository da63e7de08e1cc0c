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

TEST(CommandLine, snapshotTakesAVerbAFolderTheMatrixAndVerifysOwnOptions) {
  const auto verify = std::get<host::CommandLine>(
      parse({"snapshot", "verify", "shots", "--threshold", "0.25", "--allowed-pixels", "4",
             "--update", "--report", "out", "--locales", "de_DE", "--family", "small"}));
  EXPECT_EQ(verify.command, Command::snapshot);
  EXPECT_EQ(verify.snapshotRequest, (host::SnapshotRequest{host::SnapshotVerb::verify, "shots"}));
  EXPECT_EQ(verify.threshold, 0.25);
  EXPECT_EQ(verify.allowedPixels, 4);
  EXPECT_TRUE(verify.update);
  EXPECT_EQ(verify.report, "out");
  EXPECT_EQ(verify.locales, "de_DE");
  EXPECT_EQ(verify.families, std::vector{WidgetFamily::systemSmall});
  const auto record = std::get<host::CommandLine>(
      parse({"snapshot", "record", "shots", "--scale", "1", "--entry", "neg:balance=-1"}));
  EXPECT_EQ(record.snapshotRequest->verb, host::SnapshotVerb::record);
  EXPECT_EQ(record.scale, 1);
  EXPECT_EQ(record.entries, std::vector<std::string>{"neg:balance=-1"});
}

TEST(CommandLine, aVerbsWordsAreItsOwnExceptTheCommandsOptions) {
  using Write = host::DefaultsRequest::Write;
  const auto line = std::get<host::CommandLine>(
      parse({"defaults", "--containers", "c", "write", "-k", "-float", "-2.5", "--force"}));
  EXPECT_EQ(line.command, Command::defaults);
  EXPECT_EQ(line.containers, "c");
  ASSERT_TRUE(line.defaults);
  EXPECT_EQ(std::get<Write>(line.defaults->verb), (Write{"-k", -2.5}));
  EXPECT_TRUE(line.defaults->force);
  // After "--" even an option of defaults is a word of the verb; --help wins before it.
  const auto dashes =
      std::get<host::CommandLine>(parse({"defaults", "write", "k", "--strict", "--", "--force"}));
  EXPECT_EQ(std::get<Write>(dashes.defaults->verb), (Write{"k", std::string("--force")}));
  EXPECT_TRUE(dashes.strict);
  EXPECT_FALSE(dashes.defaults->force);
  EXPECT_EQ(
      std::get<host::CommandLine>(parse({"defaults", "write", "k", "-string", "-h"})).helpTopic,
      Command::defaults);
  // Before the verb, and for every other command, a word with a dash is an option.
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"defaults", "-float", "read"}, {"render", "-x"}}) {
    const auto refused = parse(arguments);
    ASSERT_TRUE(std::holds_alternative<host::UsageError>(refused));
    EXPECT_NE(std::get<host::UsageError>(refused).message.find("unknown option"),
              std::string::npos);
  }
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
      {{"defaults"}, "defaults needs"},
      {{"defaults", "write", "k", "-int", "x"}, "'x' is not an integer"},
      {{"defaults", "--force=yes", "read"}, "option '--force' takes no value"},
      {{"render", "--force"}, "option '--force' is not an option of render"},
      {{"snapshot"}, "snapshot needs record or verify, then a folder"},
      {{"snapshot", "check", "dir"}, "snapshot needs record or verify"},
      {{"snapshot", "verify"}, "snapshot needs record or verify"},
      {{"snapshot", "verify", "a", "b"}, "unexpected argument 'b'"},
      {{"snapshot", "record", "dir", "--update"}, "'--update' is an option of snapshot verify"},
      {{"snapshot", "record", "dir", "--report", "r"}, "'--report' is an option of snapshot"},
      {{"snapshot", "verify", "dir", "--scale", "2"}, "leave --scale out"},
      {{"snapshot", "verify", "dir", "--threshold", "1.5"}, "invalid value '1.5' for --threshold"},
      {{"snapshot", "verify", "dir", "--threshold", "nan"}, "invalid value 'nan' for --threshold"},
      {{"snapshot", "verify", "dir", "--allowed-pixels", "-1"}, "invalid value '-1'"},
      {{"snapshot", "record", "dir", "--devices", "iphone-99"}, "invalid value 'iphone-99'"},
      {{"snapshot", "record", "dir", "--out", "x"}, "'--out' is not an option of snapshot"},
      {{"render", "--update"}, "option '--update' is not an option of render"},
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
