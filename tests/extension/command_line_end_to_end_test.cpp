#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "data/app_group.hpp"
#include "extension/pocketta_widget.hpp"
#include "foundation/locale.hpp"
#include "support/locale_guard.hpp"
#include "support/temporary_containers.hpp"
#include "ui/layout.hpp"
#include "ui/widget_layout.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the real executable through the command line, in a folder of the test's own, with a store
// the test writes.
class CommandLineEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    writeStore(R"(<key>balance</key><real>-12.25</real>
                  <key>todayIncome</key><integer>30</integer>
                  <key>todayExpense</key><string>16.5</string>
                  <key>updatedAt</key><date>2026-03-01T09:30:00Z</date>)");
  }

  void writeStore(const std::string& dictionary) {
    writeStoreFile(R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" +
                   dictionary + "</dict></plist>");
  }
  fs::path storeFile() const {
    const std::string suite(pocketta::kAppGroup);
    return containers_ / suite / "Library" / "Preferences" / (suite + ".plist");
  }
  void writeStoreFile(const std::string& contents) {
    fs::remove_all(storeFile());
    fs::create_directories(storeFile().parent_path());
    std::ofstream(storeFile()) << contents;
  }

  // Starts the real executable with `arguments`; stdin reads nothing, and stdout (when
  // `outPath` is given) and stderr go to files.
  static pid_t spawn(std::vector<std::string> arguments, const fs::path& outPath,
                     const fs::path& errPath) {
    arguments.insert(arguments.begin(), POCKETTA_WIDGET_EXECUTABLE);
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!outPath.empty()) {
      posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) child = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
  }

  // The arguments, then the containers root and a fixed locale, so nothing depends on the
  // machine's settings.
  Finished run(std::vector<std::string> arguments, bool common = true) {
    if (common) {
      arguments.insert(arguments.end(),
                       {"--containers", containers_.string(), "--locale", "en_US"});
    }
    const auto outPath = folder_ / "stdout";
    const auto errPath = folder_ / "stderr";
    Finished result;
    if (const pid_t child = spawn(arguments, outPath, errPath); child > 0) {
      int status = 0;
      waitpid(child, &status, 0);
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
  }

  const support::TemporaryContainers temporary_;
  const fs::path folder_ = temporary_.root();
  const fs::path containers_ = folder_ / "containers";
};

// The pixel size a PNG declares in its IHDR chunk.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& bytes) {
  auto be32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) << 24 |
           std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 |
           std::uint32_t(std::uint8_t(bytes[at + 3]));
  };
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  return {be32(16), be32(20)};
}

double nowSinceReferenceDate() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count() - 978307200.0;
}

// Seconds since 2001 of an ISO 8601 UTC time with milliseconds.
double parseIso(const std::string& text) {
  std::tm tm{};
  int millis = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &millis) != 7) {
    return std::nan("");
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<double>(timegm(&tm)) + millis / 1000.0 - 978307200.0;
}

TEST_F(CommandLineEndToEnd, timelineJsonFieldByField) {
  const double before = nowSinceReferenceDate();
  const Finished result = run({"timeline", "--json"});
  const double after = nowSinceReferenceDate();
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::regex shape(
      R"re(\{"entries": \[\{"date": "([^"]*)", "secondsSinceReferenceDate": ([^,]*), )re"
      R"re("balance": ([^,]*), "income": ([^,]*), "expense": ([^}]*)\}\], )re"
      R"re("policy": \{"kind": "([^"]*)", "date": "([^"]*)"\}\}\n)re");
  std::smatch fields;
  ASSERT_TRUE(std::regex_match(result.out, fields, shape)) << result.out;
  EXPECT_EQ(fields[1], "2026-03-01T09:30:00.000Z");
  EXPECT_EQ(fields[2], "794050200");
  EXPECT_EQ(fields[3], "-12.25");
  EXPECT_EQ(fields[4], "30");
  EXPECT_EQ(fields[5], "16.5");
  EXPECT_EQ(fields[6], "after");
  // 900 seconds after the request, which came while the process ran.
  const double reload = parseIso(fields[7]);
  EXPECT_GE(reload, before + 900 - 0.001);
  EXPECT_LE(reload, after + 900);

  // Values JSON cannot hold, and a date the format cannot show.
  writeStore(R"(<key>balance</key><real>nan</real>
                <key>todayIncome</key><real>-inf</real>
                <key>todayExpense</key><real>-0.0</real>
                <key>updatedAt</key><date>0001-01-01T00:00:00Z</date>)");
  const Finished odd = run({"timeline", "--json"});
  ASSERT_EQ(odd.status, 0) << odd.err;
  EXPECT_NE(odd.out.find(R"("date": "0001-01-01T00:00:00.000Z", )"
                         R"("secondsSinceReferenceDate": -63113904000, "balance": "nan", )"
                         R"("income": "-inf", "expense": -0})"),
            std::string::npos)
      << odd.out;

  // Without a store: the entry is dated at the request, with zeros.
  fs::remove_all(containers_);
  const double beforeEmpty = nowSinceReferenceDate();
  const Finished empty = run({"timeline", "--json"});
  const double afterEmpty = nowSinceReferenceDate();
  ASSERT_EQ(empty.status, 0) << empty.err;
  const std::regex emptyShape(
      R"re(\{"entries": \[\{"date": "[^"]*", "secondsSinceReferenceDate": )re"
      R"re(([^,]*), "balance": 0, "income": 0, "expense": 0\}\], .*\n)re");
  ASSERT_TRUE(std::regex_match(empty.out, fields, emptyShape)) << empty.out;
  EXPECT_GE(std::stod(fields[1]), beforeEmpty);
  EXPECT_LE(std::stod(fields[1]), afterEmpty);
}

TEST_F(CommandLineEndToEnd, aStoreReadAsDefaultsIsSaidOnceAndFailsUnderStrict) {
  const std::string plist = R"(<?xml version="1.0"?>)"
                            "\n"
                            R"(<plist version="1.0">)";
  const struct {
    std::function<void()> make;
    std::string says;
  } cases[] = {
      {[&] { fs::remove_all(containers_); }, ": missing (no folder "},
      {[&] { writeStoreFile(""); }, ": not a property list (the file is empty)"},
      {[&] { writeStoreFile("balance=12"); }, ": not a property list (line 1, column "},
      {[&] { writeStoreFile(plist + "<dict><key>balance</key><real>1"); },
       ": damaged at line 2, column "},
      {[&] { writeStoreFile(plist + "<array/></plist>"); },
       ": not a dictionary at the top (an array), XML property list"},
      {[&] {
         writeStoreFile("bplist00");
         fs::resize_file(storeFile(), (std::uintmax_t{64} << 20) + 1);
       },
       ": over the size cap (67108865 bytes)"},
      {[&] {
         fs::remove_all(storeFile());
         fs::create_directories(storeFile());
       },
       ": unreadable (a folder, not a file)"},
  };
  for (const auto& c : cases) {
    c.make();
    const Finished shown = run({"timeline"});
    EXPECT_EQ(shown.status, 0) << c.says;
    EXPECT_EQ(shown.err.rfind("pocketta-widget: store " + storeFile().string() + ": ", 0), 0u)
        << shown.err;
    EXPECT_NE(shown.err.find(c.says), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("chosen by --containers; the widget shows defaults\n"),
              std::string::npos)
        << shown.err;
    EXPECT_EQ(std::count(shown.err.begin(), shown.err.end(), '\n'), 1) << shown.err;
    const Finished strict = run({"timeline", "--strict"});
    EXPECT_EQ(strict.status, 1) << c.says;
    EXPECT_EQ(strict.out, "");
  }
}

TEST_F(CommandLineEndToEnd, renderWritesPngsOfEachFamilysPixelSize) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::pair<std::uint32_t, std::uint32_t>>> files;
  } cases[] = {
      {{"--out", "all/"},
       {{"all/PockettaWidget-small.png", {170, 170}},
        {"all/PockettaWidget-medium.png", {364, 170}}}},
      {{"--out", "two", "--scale", "2", "--dark"},
       {{"two/PockettaWidget-small.png", {340, 340}},
        {"two/PockettaWidget-medium.png", {728, 340}}}},
      {{"--family", "small", "--scale", "3", "--out", "s.png"}, {{"s.png", {510, 510}}}},
      {{"--family", "medium", "--placeholder", "--out", "p.png"}, {{"p.png", {364, 170}}}},
      {{"--family", "medium", "--snapshot", "--out", "n.png", "--scale", "3"},
       {{"n.png", {1092, 510}}}},
  };
  fs::create_directories(folder_ / "two");
  for (const auto& c : cases) {
    std::vector<std::string> arguments{"render"};
    for (const auto& argument : c.arguments) {
      const bool isPath = argument.find('/') != std::string::npos ||
                          argument.find(".png") != std::string::npos || argument == "two";
      arguments.push_back(
          isPath ? (folder_ / argument).string() + (argument.back() == '/' ? "/" : "") : argument);
    }
    const Finished result = run(arguments);
    ASSERT_EQ(result.status, 0) << testing::PrintToString(arguments) << result.err;
    for (const auto& [file, size] : c.files) {
      EXPECT_EQ(pngSize(slurp(folder_ / file)), size) << file;
    }
  }
}

TEST_F(CommandLineEndToEnd, svgHoldsBothLinks) {
  const Finished result = run({"render", "--family", "medium", "--format", "svg"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.rfind("<", 0), 0u);
  EXPECT_NE(result.out.find("<svg"), std::string::npos);
  EXPECT_NE(result.out.find(R"(href="pocketta://add-income")"), std::string::npos);
  EXPECT_NE(result.out.find(R"(href="pocketta://add-expense")"), std::string::npos);
}

TEST_F(CommandLineEndToEnd, tapPrintsTheLinkUnderThePoint) {
  // Where the links are, from the same view laid out here.
  std::optional<support::LocaleGuard> locale;
  locale.emplace("en_US");
  const pocketta::MoneyEntry entry{foundation::Date{794050200}, -12.25, 30, 16.5};
  std::vector<std::pair<foundation::Point, std::string>> links;
  std::optional<foundation::Point> smallLink;
  for (const auto size : {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
    const auto layout = ui::layoutWidget(pocketta::PockettaWidgetView{entry}.body(),
                                         ui::WidgetCanvas{size}, ui::RenderOptions{});
    std::vector<const ui::LayoutNode*> pending{&layout.content};
    while (!pending.empty()) {
      const auto* node = pending.back();
      pending.pop_back();
      if (const auto* link = std::get_if<ui::LinkLayout>(&node->content)) {
        const foundation::Point centre{node->frame.midX(), node->frame.midY()};
        if (size == ui::WidgetCanvas::systemMediumSize) {
          links.emplace_back(centre, link->destination.absoluteString());
        } else {
          smallLink = centre;
        }
      }
      for (const auto& child : node->children) pending.push_back(&child);
    }
  }
  locale.reset();
  ASSERT_EQ(links.size(), 2u);

  for (const auto& [point, url] : links) {
    const auto x = std::to_string(point.x);
    const auto y = std::to_string(point.y);
    const Finished printed = run({"tap", x, y, "--print"});
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out, url + "\n");
    const Finished echoed = run({"tap", x, y, "--open-with", "echo opened"});
    EXPECT_EQ(echoed.status, 0) << echoed.err;
    EXPECT_EQ(echoed.out, "opened " + url + "\n");
  }

  const Finished header = run({"tap", "20", "20", "--print"});
  EXPECT_EQ(header.status, 0);
  EXPECT_EQ(header.out, "No link at (20, 20): a tap there opens the containing app.\n");
  // The phone's rule: a small widget is one tap target.
  ASSERT_TRUE(smallLink);
  const auto smallX = std::to_string(smallLink->x);
  const auto smallY = std::to_string(smallLink->y);
  const Finished smallTap = run({"tap", smallX, smallY, "--family", "small", "--print"});
  EXPECT_EQ(smallTap.out.rfind("pocketta://", 0), 0u) << smallTap.out;
  const Finished phone = run({"tap", smallX, smallY, "--family", "small", "--phone"});
  EXPECT_EQ(phone.status, 0);
  EXPECT_NE(phone.out.find("opens the containing app"), std::string::npos) << phone.out;
  const Finished failing = run({"tap", std::to_string(links[0].first.x),
                                std::to_string(links[0].first.y), "--open-with", "false"});
  EXPECT_EQ(failing.status, 1);
  EXPECT_NE(failing.err.find("'false' could not open"), std::string::npos) << failing.err;
}

TEST_F(CommandLineEndToEnd, badCommandLinesExitTwoWithOneClearLine) {
  // The parser's own refusals are tested with the parser; here, one of them and those that
  // need the options put together.
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"render", "--frobnicate"}, "unknown option '--frobnicate'"},
      {{"render", "--family", "small", "--out", "x.gif"}, "cannot tell the format"},
      {{"render", "--out", "x.png"}, "holds one picture"},
      {{"render", "--format", "png"}, "holds one picture"},
      {{"tap", "400", "10", "--family", "small"}, "outside the small widget"},
      {{"describe", "--locale", "xx_YY"}, "unknown locale 'xx_YY'"},
      {{"describe", "--kind", "Other"}, "no widget of kind 'Other'"},
      {{}, "missing command"},
  };
  for (const auto& [arguments, expected] : cases) {
    const Finished result = run(arguments, false);
    EXPECT_EQ(result.status, 2) << testing::PrintToString(arguments);
    EXPECT_EQ(result.out, "");
    const auto firstEnd = result.err.find('\n');
    ASSERT_NE(firstEnd, std::string::npos) << result.err;
    EXPECT_EQ(result.err.rfind("pocketta-widget: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.substr(0, firstEnd).find(expected), std::string::npos) << result.err;
    // The second and last line is the hint.
    EXPECT_EQ(result.err.substr(firstEnd + 1).rfind("Try 'pocketta-widget", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2);
  }
}

TEST_F(CommandLineEndToEnd, runRendersEveryFamilyAndStopsCleanly) {
  const auto out = folder_ / "live";
  const Finished once = run({"run", "--reloads", "1", "--out", out.string()});
  ASSERT_EQ(once.status, 0) << once.err;
  EXPECT_TRUE(fs::exists(out / "PockettaWidget-small.png"));
  EXPECT_TRUE(fs::exists(out / "PockettaWidget-medium.png"));
  EXPECT_EQ(std::count(once.err.begin(), once.err.end(), '\n'), 1) << once.err;
  EXPECT_NE(once.err.find("request 1: entry 2026-03-01T09:30:00.000Z  balance -12.25  income 30  "
                          "expense 16.5; next reload: none (last request)"),
            std::string::npos)
      << once.err;

  // Without --reloads it waits 900 seconds for the next request; SIGTERM ends the wait.
  fs::remove_all(out);
  const auto errPath = folder_ / "run.err";
  const pid_t child =
      spawn({"run", "--out", out.string(), "--containers", containers_.string()}, {}, errPath);
  ASSERT_GT(child, 0);
  // Once the first request's line is out, both pictures are written and the host waits.
  for (int i = 0; i < 6000 && slurp(errPath).find("next reload") == std::string::npos; ++i) {
    usleep(5000);
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string log = slurp(errPath);
  EXPECT_NE(log.find("request 1: "), std::string::npos) << log;
  EXPECT_NE(log.find("next reload: after "), std::string::npos) << log;
  EXPECT_NE(log.find("  stopped\n"), std::string::npos) << log;
  EXPECT_TRUE(fs::exists(out / "PockettaWidget-medium.png"));
}

TEST_F(CommandLineEndToEnd, describeAndGalleryAndHelp) {
  const Finished described = run({"describe"});
  ASSERT_EQ(described.status, 0) << described.err;
  const std::string suite(pocketta::kAppGroup);
  for (const std::string& line : std::vector<std::string>{
           "kind: PockettaWidget\n", "display name: Limrada (key \"Лимрада\")\n",
           "families: systemSmall (170 x 170 points), systemMedium (364 x 170 points)\n",
           "app group: " + suite + "\n",
           "store: " +
               (containers_ / suite / "Library" / "Preferences" / (suite + ".plist")).string() +
               "\n"}) {
    EXPECT_NE(described.out.find(line), std::string::npos) << line << described.out;
  }
  const Finished russian = run({"describe", "--locale", "ru_RU"}, false);
  EXPECT_NE(russian.out.find("display name: Лимрада\n"), std::string::npos) << russian.out;

  const Finished gallery =
      run({"gallery", "--out", (folder_ / "gallery.png").string(), "--scale", "2"});
  ASSERT_EQ(gallery.status, 0) << gallery.err;
  const auto [width, height] = pngSize(slurp(folder_ / "gallery.png"));
  EXPECT_GT(width, 2u * (170 + 364));
  EXPECT_GT(height, 2u * 170);
  const Finished galleryTree = run({"gallery", "--format", "tree"});
  EXPECT_EQ(galleryTree.out.rfind("Limrada\nBalance and quick income or expense.\n", 0), 0u)
      << galleryTree.out;

  const Finished help = run({"tap", "--help"}, false);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("a small widget is one tap target"), std::string::npos);
  const Finished version = run({"--version"}, false);
  EXPECT_EQ(version.out.rfind("pocketta-widget ", 0), 0u);
}

}  // namespace
