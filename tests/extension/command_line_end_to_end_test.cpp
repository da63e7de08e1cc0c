// The real executable driven as a user or a script would: one row per habit of its command line.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iomanip>
#include <map>
#include <regex>
#include <sstream>

#include "data/app_group.hpp"
#include "host_process.hpp"

namespace {

namespace fs = std::filesystem;
using hosttest::Ending;
using hosttest::pngSize;
using hosttest::readText;

class CommandLineEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    writeStore(R"(<key>balance</key><real>-12.25</real>
                  <key>todayIncome</key><integer>30</integer>
                  <key>todayExpense</key><string>16.5</string>
                  <key>updatedAt</key><date>2026-03-01T09:30:00Z</date>)");
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
  void writeStore(const std::string& dictionary) {
    writeStoreFile(R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" +
                   dictionary + "</dict></plist>");
  }

  // The text with "@/" standing for the test's folder.
  std::string here(std::string text) const {
    for (auto at = text.find("@/"); at != std::string::npos; at = text.find("@/", at + 1)) {
      text.replace(at, 1, folder_.string());
    }
    return text;
  }
  // The arguments, then the containers root and a fixed locale unless given, so that nothing
  // depends on the machine's settings.
  std::vector<std::string> arguments(std::vector<std::string> given) const {
    for (auto& argument : given) argument = here(argument);
    for (const std::string option : {"--containers", "--locale"}) {
      if (std::find(given.begin(), given.end(), option) == given.end()) {
        given.insert(given.end(), {option, option == "--locale" ? "en_US" : containers_.string()});
      }
    }
    return given;
  }
  Ending run(const std::vector<std::string>& given) const {
    return hosttest::HostProcess(arguments(given), folder_).wait();
  }

  const support::TemporaryContainers temporary_;
  const fs::path folder_ = temporary_.root();
  const fs::path containers_ = folder_ / "containers";
};

double nowSinceReferenceDate() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count() - 978307200.0;
}

TEST_F(CommandLineEndToEnd, timelineJsonFieldByField) {
  const double before = nowSinceReferenceDate();
  const Ending result = run({"timeline", "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::regex shape(
      R"re(\{"entries":\[\{"date":"2026-03-01T09:30:00.000Z","secondsSinceReferenceDate":)re"
      R"re(794050200.0,"balance":-12.25,"income":30.0,"expense":16.5\}\],)re"
      R"re("policy":\{"kind":"after","date":"([\d-]+T\d+:\d+:\d+)(\.\d+)Z"\}\}\n)re");
  std::smatch date;
  ASSERT_TRUE(std::regex_match(result.out, date, shape)) << result.out;
  std::tm tm{};
  std::istringstream(date[1]) >> std::get_time(&tm, "%Y-%m-%dT%H:%M:%S");
  const double reload = double(timegm(&tm)) + std::stod(date[2]) - 978307200.0;
  // 900 seconds after the request, which came while the process ran.
  EXPECT_GE(reload, before + 900 - 0.001);
  EXPECT_LE(reload, nowSinceReferenceDate() + 900);
}

TEST_F(CommandLineEndToEnd, aStoreReadAsDefaultsIsSaidOnceAndFailsUnderStrict) {
  const std::string plist = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">";
  const struct {
    std::function<void()> make;
    std::string says;
  } cases[] = {
      {[&] { fs::remove_all(containers_); }, ": missing (no folder "},
      {[&] { writeStoreFile(""); }, ": not a property list (the file is empty)"},
      {[&] { writeStoreFile(plist + "<dict><key>balance</key><real>1"); },
       ": damaged at line 2, column "},
      {[&] { writeStoreFile(plist + "<array/></plist>"); },
       ": not a dictionary at the top (an array), XML property list"},
      {[&] {
         writeStoreFile("bplist00");
         fs::resize_file(storeFile(), (std::uintmax_t{64} << 20) + 1);
       },
       ": over the size cap (67108865 bytes)"},
      {[&] { writeStoreFile(""), fs::remove(storeFile()), fs::create_directory(storeFile()); },
       ": unreadable (a folder, not a file)"},
  };
  for (const auto& c : cases) {
    c.make();
    const Ending shown = run({"timeline"});
    EXPECT_EQ(shown.status, 0) << c.says;
    EXPECT_EQ(shown.err.rfind("pocketta-widget: store " + storeFile().string() + ": ", 0), 0u)
        << shown.err;
    EXPECT_NE(shown.err.find(c.says), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("chosen by --containers; the widget shows defaults\n"),
              std::string::npos)
        << shown.err;
    EXPECT_EQ(std::count(shown.err.begin(), shown.err.end(), '\n'), 1) << shown.err;
    const Ending strict = run({"timeline", "--strict"});
    EXPECT_EQ(strict.status, 1) << c.says;
    EXPECT_EQ(strict.out, "");
  }
}

TEST_F(CommandLineEndToEnd, eachHabitOfTheCommandLine) {
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string out;  // a part of standard output ("" : none at all)
    std::string err;  // a part of the first line of standard error ("": none at all)
    std::vector<std::pair<std::string, std::string>> files = {};  // path under @, a part of it
  } cases[] = {
      // Help and version, wherever they stand, run nothing.
      {{"render", "--out", "@/h.png", "-h"}, 0, "Usage: pocketta-widget render", ""},
      {{"--version", "render"}, 0, "pocketta-widget ", ""},
      // "--" ends the options.
      {{"render", "--", "--family"}, 2, "", "unexpected argument '--family'"},
      // Typos, and what cannot work together.
      {{"rendr"}, 2, "", "unknown command 'rendr' (did you mean 'render'?)"},
      {{"render", "--famly", "small"}, 2, "", "(did you mean '--family'?)"},
      {{"render", "--format", "svg", "--scale", "2"}, 2, "", "svg has no pixels"},
      {{"render", "--out", "@/t.txt", "--dark"}, 2, "", "tree shows the view tree"},
      {{"render", "--family", "small", "--out", "@/x.gif"}, 2, "", "cannot tell the format"},
      {{"render", "--format", "png"}, 2, "", "holds one picture"},
      {{"render", "--name", "{kind}"}, 2, "", "--name names the files in an --out folder"},
      {{"render", "--out", "@/n/", "--name", "{colour}"}, 2, "", "a placeholder that is none"},
      {{"tap", "400", "10", "--family", "small"}, 2, "", "outside the small widget"},
      // The user's language: a translation, else English, never the keys; C as in the
      // environment; an unknown language said and not refused.
      {{"describe", "--locale", "de_DE"}, 0, "Kontostand und schnelle Einnahmen", ""},
      {{"describe", "--locale", "C"}, 0, "display name: Limrada", ""},
      {{"describe", "--locale", "xx_YY"}, 0, "Limrada", "'xx_YY' (from --locale) has a"},
      {{"render", "--format", "tree", "--locale", "ar_EG@numbers=latn"}, 0, R"(shows: "30")", ""},
      {{"describe", "--kind", "Other"}, 2, "", "no widget of kind 'Other'"},
      // fit fails only when a text is truncated.
      {{"fit", "--locales", "en_US,de_DE"}, 0, "4 layouts: ", ""},
      {{"fit", "--family", "small", "--balance", "123456789012.34"}, 1, "small: \"CN¥123,456,", ""},
      {{"fit", "--locales", "en_US,xx_YY"}, 2, "", "unknown locale 'xx_YY' in --locales"},
      // A text too narrow for even one character and "…" shows "…", and fit says so.
      {{"fit", "--family", "small", "--text-sizes", "accessibility3"},
       1,
       "en_US small accessibility3: \"\u2026\" truncated to nothing but \"\u2026\"",
       ""},
      // check: every rule, warnings alone pass; an error fails; rules skipped by name.
      {{"check"}, 0, "check: 2 cells, 0 errors, ", ""},
      {{"check", "--family", "small", "--balance", "123456789012.34"}, 1, "error truncated", ""},
      {{"check", "--skip", "contrst"}, 2, "", "(did you mean 'contrast'?)"},
      {{"check", "--family", "small", "--skip", "shrunk,ignored-link", "--json"},
       0,
       R"("summary":{"cells":1,"errors":0,"warnings":0,"cellsWithErrors":0)",
       ""},
      {{"preview", "--port", "70000"}, 2, "", "'70000' for --port"},
      // Files: one line each, extensions without regard to case, a device written directly.
      {{"render", "--out", "@/w.SVG"},
       0,
       "",
       "wrote @/w-small.SVG",
       {{"w-small.SVG", "<svg"}, {"w-medium.SVG", "pocketta://add-expense"}}},
      {{"render", "--family", "medium", "--format", "svg"}, 0, "pocketta://add-income", ""},
      {{"render", "--out", "/dev/null"}, 0, "", ""},
      // The process's own streams, whatever they are (here a pipe), are written directly and
      // never become a prefix for files.
      {{"render", "--family", "small", "--format", "svg", "--out", "/dev/stdout"}, 0, "<svg", ""},
      {{"render", "--format", "svg", "--out", "/dev/stdout"}, 2, "", "holds one picture"},
      // Two pictures never share a file: refused before anything is written.
      {{"render", "--out", "@/n/", "--name", "widget"}, 2, "", "same file as another"},
      // Phones and places: a mistyped phone gets a suggestion; StandBy shows the small family
      // alone; a tint is a colour, and colours the tinted home screen only.
      {{"devices"}, 0, "iphone-16           393 x 852  158 x 158  338 x 158", ""},
      {{"render", "--device", "iphone-16-pls"}, 2, "", "(did you mean 'iphone-16-plus'?)"},
      {{"render", "--context", "standby", "--family", "medium"}, 2, "", "small family only"},
      {{"tap", "25", "111", "--context", "standby-night", "--print"}, 1, "", "one tap target"},
      {{"render", "--context", "home-tinted", "--tint", "#12345"}, 2, "", "for --tint"},
      {{"render", "--tint", "#123456"}, 2, "", "give --context home-tinted"},
      // A matrix tints its home-tinted cells, and a recording keeps its tint for verify.
      {{"check", "--tint", "#123456"}, 2, "", "give --contexts with home-tinted"},
      {{"snapshot", "record", "@/tinted", "--contexts", "home-tinted", "--tint", "#3399FF",
        "--devices", "iphone-se", "--family", "small"},
       0,
       "",
       "recorded 1 cell in @/tinted",
       {{"tinted/manifest.json", "\"tint\": [0.2,0.6,1.0,1.0]"}}},
      {{"snapshot", "verify", "@/tinted", "--tint", "#123456"}, 2, "", "leave --tint out"},
      {{"render", "--device", "iphone-se", "--context", "standby", "--out", "@/sb.png"},
       0,
       "",
       "wrote @/sb.png",
       {{"sb.png", "PNG"}}},
      // A value's control characters are shown as escapes, never written raw.
      {{"render", "--family", "sm\x1b[31mall\nforged"}, 2, "", "'sm\\x1b[31mall\\x0aforged'"},
      // A file in a folder that is gone fails, and nothing is made on the way; a folder given as
      // a folder is the host's to make.
      {{"render", "--family", "small", "--out", "@/gone/w.png"}, 1, "", "cannot write @/gone/"},
      {{"render", "--family", "small", "--out", "@/made/"},
       0,
       "",
       "wrote @/made/PockettaWidget-small.png",
       {{"made/PockettaWidget-small.png", "IEND"}}},
      {{"render", "-q", "--dark", "--text-size", "accessibility5", "--out", "@/d/", "--name",
        "{kind}-{family}-{locale}-{appearance}-{textSize}"},
       0,
       "",
       "",
       {{"d/PockettaWidget-small-en_US-dark-accessibility5.png", "PNG"}}},
      // A tap with no link under it is no URL: a script sees a failure.
      {{"tap", "20", "20", "--print"}, 1, "", "no link at (20, 20): a tap there opens"},
      {{"describe", "--store"}, 0, "todayExpense: a string \"16.5\"; read as 16.5", ""},
  };
  for (const auto& c : cases) {
    const auto shown = testing::PrintToString(c.arguments);
    const Ending result = run(c.arguments);
    EXPECT_EQ(result.status, c.status) << shown << result.err;
    if (c.out.empty()) {
      EXPECT_EQ(result.out, "") << shown;
    }
    EXPECT_NE(result.out.find(here(c.out)), std::string::npos) << shown << result.out;
    const std::string err = here(c.err);
    const auto firstLine = result.err.substr(0, result.err.find('\n'));
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "") << shown;
    }
    EXPECT_NE(firstLine.find(err), std::string::npos) << shown << result.err;
    if (c.status == 2) {
      // A bad command line is one line naming it, then the hint.
      EXPECT_EQ(result.err.rfind("pocketta-widget: ", 0), 0u) << result.err;
      EXPECT_NE(result.err.find("\nTry 'pocketta-widget"), std::string::npos) << result.err;
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    }
    for (const auto& [file, part] : c.files) {
      EXPECT_NE(readText(folder_ / file).find(part), std::string::npos) << shown << file;
    }
  }
  EXPECT_FALSE(fs::exists(folder_ / "h.png"));
  EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

TEST_F(CommandLineEndToEnd, pngsOfEachFamilysPixelSize) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"render", "--out", "@/two", "--scale", "2"},
        {"render", "--family", "small", "--scale", "3", "--out", "@/s.png"},
        {"gallery", "--out", "@/gallery.png", "--scale", "2"}}) {
    const Ending result = run(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
  }
  // The gallery: both sizes side by side under the name and description.
  const std::pair<std::string, std::pair<std::uint32_t, std::uint32_t>> sizes[] = {
      {"two/PockettaWidget-small.png", {340, 340}},
      {"two/PockettaWidget-medium.png", {728, 340}},
      {"s.png", {510, 510}},
      {"gallery.png", {1212, 540}}};
  for (const auto& [file, size] : sizes) EXPECT_EQ(pngSize(readText(folder_ / file)), size) << file;
}

TEST_F(CommandLineEndToEnd, tapOpensTheLinkThatDescribeLinksPlaces) {
  // Where the links are, as the host tells a user: "  URL: x X, y Y, width W, height H".
  const Ending described = run({"describe", "--links"});
  ASSERT_EQ(described.status, 0) << described.err;
  const std::regex row(R"(  (\S+): x ([\d.]+), y ([\d.]+), width ([\d.]+), height ([\d.]+))");
  std::map<std::string, std::vector<std::pair<std::string, std::vector<std::string>>>> links;
  std::string family;
  std::istringstream lines(described.out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (line.starts_with("links in ")) family = line.substr(9, line.find(' ', 9) - 9);
    if (!std::regex_match(line, m, row)) continue;
    const auto centre = [&](int at) { return std::to_string(stod(m[at]) + stod(m[at + 2]) / 2); };
    links[family].push_back({m[1], {centre(2), centre(3)}});
  }
  ASSERT_EQ(links["systemMedium"].size(), 2u) << described.out;
  ASSERT_EQ(links["systemSmall"].size(), 2u) << described.out;
  for (const auto& [url, point] : links["systemMedium"]) {
    const Ending printed = run({"tap", point[0], point[1], "--print"});
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out, url + "\n");
    const Ending echoed = run({"tap", point[0], point[1], "--open-with", "echo opened"});
    EXPECT_EQ(echoed.out, "opened " + url + "\n") << echoed.err;
  }
  const auto& small = links["systemSmall"].front().second;
  EXPECT_EQ(
      run({"tap", small[0], small[1], "--family", "small", "--print"}).out.rfind("pocketta://", 0),
      0u);
  // The phone's rule: a small widget is one tap target, so no link of its own opens.
  const Ending phone = run({"tap", small[0], small[1], "--family", "small", "--phone"});
  EXPECT_EQ(phone.status, 1);
  EXPECT_NE(phone.err.find("opens the containing app"), std::string::npos) << phone.err;
  const auto& medium = links["systemMedium"].front().second;
  const Ending failing = run({"tap", medium[0], medium[1], "--open-with", "false"});
  EXPECT_EQ(failing.status, 1);
  EXPECT_NE(failing.err.find("'false' could not open"), std::string::npos) << failing.err;
}

TEST_F(CommandLineEndToEnd, defaultsChangesTheStoreTheWidgetReads) {
  const std::string damaged = "<?xml version=\"1.0\"?><plist><dict><key>balance</key>";
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string out;  // all of standard output
    std::string err;  // a part of standard error ("": none at all)
  } cases[] = {
      // Types and values that start with '-' after the verb are the verb's, not options.
      {{"defaults", "write", "balance", "-float", "-4.5"}, 0, "", ""},
      {{"defaults", "read", "balance"}, 0, "-4.5\n", ""},
      {{"timeline", "--json"}, 0, "", ""},
      {{"defaults", "write", "note", "-x"}, 0, "", ""},
      {{"defaults", "--containers", "@/containers", "--locale", "en_US", "write", "note", "--",
        "--force"},
       0,
       "",
       ""},
      {{"defaults", "read", "note"}, 0, "--force\n", ""},
      {{"defaults", "delete", "note"}, 0, "", ""},
      // Options of defaults stand anywhere; --help wins.
      {{"defaults", "--locale", "de_DE", "write", "todayIncome", "-int", "-7"}, 0, "", ""},
      {{"defaults", "read", "todayIncome", "-h"}, 0, "Usage: pocketta-widget defaults read", ""},
      // A bad command line is status 2 and the usage hint; a failure 1 and one line.
      {{"defaults", "write", "k", "-int", "1.5"}, 2, "", "'1.5' is not an integer"},
      {{"defaults", "write", "k", "-double", "1"}, 2, "", "unknown type '-double'"},
      {{"defaults", "--strict", "-x"}, 2, "", "unknown option '-x'"},
      // Only the options of defaults are options after the verb.
      {{"defaults", "write", "k", "1", "--format", "png"}, 2, "", "'png' is one too many"},
      {{"defaults", "delete", "absent"}, 1, "", ", absent) does not exist"},
      {{"defaults", "read", "balance", "--containers", "@/nowhere"}, 1, "", "does not exist"},
      {{"defaults", "write", "k", "1", "--containers", "@/nowhere"},
       1,
       "",
       "no folder @/nowhere: the containers root, chosen by --containers"},
  };
  for (const auto& c : cases) {
    const auto shown = testing::PrintToString(c.arguments);
    const Ending result = run(c.arguments);
    EXPECT_EQ(result.status, c.status) << shown << result.err;
    if (c.arguments.front() == "timeline") {
      EXPECT_NE(result.out.find("\"balance\":-4.5,"), std::string::npos) << result.out;
    } else if (c.out.empty()) {
      EXPECT_EQ(result.out, "") << shown;
    } else {
      EXPECT_EQ(result.out.substr(0, c.out.size()), here(c.out)) << shown;
    }
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "") << shown;
    } else {
      EXPECT_EQ(result.err.rfind("pocketta-widget: ", 0), 0u) << shown << result.err;
      EXPECT_NE(result.err.find(here(c.err)), std::string::npos) << shown << result.err;
      const auto lines = std::count(result.err.begin(), result.err.end(), '\n');
      EXPECT_EQ(lines, c.status) << shown << result.err;  // the hint after a usage error
    }
  }
  const std::string store = readText(storeFile());
  EXPECT_EQ(store.rfind("<?xml", 0), 0u) << "an XML store stays XML";
  EXPECT_NE(store.find("<key>todayIncome</key>\n\t<integer>-7</integer>"), std::string::npos)
      << store;
  EXPECT_NE(store.find("<key>updatedAt</key>"), std::string::npos) << store;

  // A store that cannot be read is left as it is unless forced; a new one is binary.
  writeStoreFile(damaged);
  const Ending refused = run({"defaults", "write", "balance", "-float", "1"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("left as it is (--force replaces it)"), std::string::npos)
      << refused.err;
  EXPECT_EQ(readText(storeFile()), damaged);
  const Ending forced = run({"defaults", "write", "balance", "-float", "1", "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(readText(storeFile()).rfind("<?xml", 0), 0u) << "replaced in the format it had";
  fs::remove(storeFile());
  EXPECT_EQ(run({"defaults", "write", "balance", "-float", "2"}).status, 0);
  EXPECT_EQ(readText(storeFile()).rfind("bplist00", 0), 0u);
  EXPECT_EQ(run({"defaults", "read"}).out, "{\n    balance = 2;\n}\n");
}

TEST_F(CommandLineEndToEnd, runShowsADefaultsWriteWithinItsStoreWatchingDelay) {
  hosttest::HostProcess host(arguments({"run", "--format", "tree", "--out", "@/live"}), folder_);
  auto waitFor = [&](const std::string& text) {
    for (int i = 0; i < 4000 && host.errSoFar().find(text) == std::string::npos; ++i) {
      usleep(5000);
    }
    return host.errSoFar().find(text) != std::string::npos;
  };
  ASSERT_TRUE(waitFor("request 1: ")) << host.errSoFar();
  const Ending written = run({"defaults", "write", "balance", "-float", "77.5"});
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_TRUE(waitFor("request 2: entry 2026-03-01T09:30:00.000Z  balance 77.5  "))
      << host.errSoFar();
  ::kill(host.pid(), SIGTERM);
  const Ending ending = host.wait();
  EXPECT_EQ(ending.status, 143) << ending.err;
  EXPECT_NE(readText(folder_ / "live" / "PockettaWidget-medium.txt").find("77.50"),
            std::string::npos);
}

TEST_F(CommandLineEndToEnd, aTerminalGetsThePictureItCanShowAndTheTextPreviewOtherwise) {
  if (::dlopen("libchafa.so.0", RTLD_NOW | RTLD_LOCAL) == nullptr) {
    GTEST_SKIP() << "libchafa.so.0 cannot be opened";
  }
  const std::string kitty = "\x1b_Ga=T,f=32,", sixel = "\x1bP0;1;0q", colour = "\x1b[48;2;";
  const std::string link = "\x1b]8;;pocketta://add-income\x1b\\";
  const struct {
    std::vector<std::string> environment;
    std::vector<std::string> options;
    std::vector<std::string> shows;
    std::vector<std::string> lacks;
  } cases[] = {
      // What the terminal reports: an image in its protocol, both families titled.
      {{"TERM=xterm-kitty"}, {}, {"small\r\n" + kitty, "medium\r\n" + kitty}, {"POCKETTA"}},
      {{"TERM=foot"}, {"--family", "small"}, {sixel}, {kitty}},
      // No protocol: block symbols under the texts, the links clickable.
      {{"TERM=xterm-256color"}, {}, {"POCKETTA", link, "\xe2\x96"}, {kitty, sixel}},
      // The text preview: asked for, under NO_COLOR (plain), on a dumb terminal (plain).
      {{"TERM=xterm-kitty"}, {"--format", "terminal"}, {"POCKETTA", colour, link}, {kitty}},
      {{"TERM=xterm-kitty", "NO_COLOR=1"}, {}, {"POCKETTA"}, {"\x1b"}},
      {{"TERM=dumb"}, {}, {"POCKETTA"}, {"\x1b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> given = {"render"};
    given.insert(given.end(), c.options.begin(), c.options.end());
    const auto shown = testing::PrintToString(c.environment) + testing::PrintToString(given);
    const Ending result = hosttest::runOnTerminal(arguments(given), c.environment);
    EXPECT_EQ(result.status, 0) << shown << result.out.substr(0, 200);
    for (const auto& part : c.shows) {
      EXPECT_NE(result.out.find(part), std::string::npos) << shown << testing::PrintToString(part);
    }
    for (const auto& part : c.lacks) {
      EXPECT_EQ(result.out.find(part), std::string::npos) << shown << testing::PrintToString(part);
    }
  }
  // Standard output that is no terminal gets the text preview unless graphics is asked for.
  const auto inTerminal = [](const char* term) {
    return [term] { return ::setenv("TERM", term, 1) == 0 && ::unsetenv("NO_COLOR") == 0; };
  };
  const Ending piped =
      hosttest::HostProcess(arguments({"render"}), folder_, inTerminal("xterm-kitty")).wait();
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_NE(piped.out.find(colour), std::string::npos);
  EXPECT_EQ(piped.out.find(kitty), std::string::npos);
  const Ending asked = hosttest::HostProcess(arguments({"render", "--format", "graphics"}), folder_,
                                             inTerminal("mlterm"))
                           .wait();
  EXPECT_EQ(asked.status, 0) << asked.err;
  EXPECT_EQ(asked.out.find("small\n" + sixel), 0u) << asked.out.substr(0, 40);
}

TEST_F(CommandLineEndToEnd, runRendersEveryFamilyAndStopsOnSignals) {
  const Ending once = run({"run", "--reloads", "1", "--out", "@/live"});
  ASSERT_EQ(once.status, 0) << once.err;
  EXPECT_TRUE(fs::exists(folder_ / "live" / "PockettaWidget-small.png"));
  EXPECT_TRUE(fs::exists(folder_ / "live" / "PockettaWidget-medium.png"));
  EXPECT_NE(once.err.find("request 1: entry 2026-03-01T09:30:00.000Z  balance -12.25  income 30  "
                          "expense 16.5; next reload: none (last request)\n"),
            std::string::npos)
      << once.err;
  EXPECT_EQ(std::count(once.err.begin(), once.err.end(), '\n'), 1) << once.err;

  // Without --reloads it waits 900 seconds for the next request. A signal ends the wait with the
  // shell's status for it; a SIGHUP ignored at the start (nohup) stays ignored.
  const std::pair<int, int> signals[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 143}};
  for (const auto& [signal, status] : signals) {
    const bool ignoreHangUp = signal == SIGHUP;
    hosttest::HostProcess host(arguments({"run", "--out", "@/live"}), folder_, [ignoreHangUp] {
      return !ignoreHangUp || ::signal(SIGHUP, SIG_IGN) != SIG_ERR;
    });
    for (int i = 0; i < 6000 && host.errSoFar().find("next reload: after") == std::string::npos;
         ++i) {
      usleep(5000);
    }
    ::kill(host.pid(), signal);
    if (signal == SIGHUP) {
      usleep(100000);
      ::kill(host.pid(), SIGTERM);
    }
    const Ending ending = host.wait();
    EXPECT_EQ(ending.status, status) << signal << ending.err;
    EXPECT_NE(ending.err.find("next reload: after "), std::string::npos) << ending.err;
    EXPECT_NE(ending.err.find("  stopped\n"), std::string::npos) << ending.err;
  }
}

}  // namespace
