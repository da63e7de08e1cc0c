// Snapshots of the real widget: `snapshot record` and `snapshot verify` on the real executable
// (and, where a test changes a string table, on the real bundle in this process).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "data/app_group.hpp"
#include "extension/pocketta_widget_bundle.hpp"
#include "foundation/sha256.hpp"
#include "host/host_runner.hpp"
#include "host_process.hpp"
#include "ui/raster/png_decoder.hpp"

namespace {

namespace fs = std::filesystem;
using hosttest::Ending;
using hosttest::readText;

std::vector<std::uint8_t> readBytes(const fs::path& path) {
  const std::string text = readText(path);
  return {text.begin(), text.end()};
}

// The names of a folder's files with `suffix`, sorted.
std::vector<std::string> filesIn(const fs::path& folder, const std::string& suffix = "") {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(suffix)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The ids of the cells a verify's output names as failing, with what it says of them.
std::map<std::string, std::string> failuresIn(const std::string& out) {
  std::map<std::string, std::string> failures;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    static const std::regex kFailure("^([a-z ]+): ([^ ]+)");
    std::smatch match;
    if (!line.starts_with("verified") && std::regex_search(line, match, kFailure)) {
      failures[match[2]] = match[1];
    }
  }
  return failures;
}

class Snapshots : public testing::Test {
 protected:
  void SetUp() override { writeStore(12840.5); }
  void writeStore(double balance) const {
    const std::string suite(pocketta::kAppGroup);
    const fs::path store = containers_ / suite / "Library" / "Preferences" / (suite + ".plist");
    fs::create_directories(store.parent_path());
    std::ofstream(store) << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)"
                         << "<key>balance</key><real>" << balance << "</real>"
                         << "<key>todayIncome</key><real>350</real>"
                         << "<key>todayExpense</key><real>86.4</real>"
                         << "<key>updatedAt</key><date>2026-12-06T08:30:00Z</date>"
                         << "</dict></plist>";
  }
  Ending run(std::vector<std::string> arguments) const {
    arguments.insert(arguments.end(), {"--containers", containers_.string(), "--locale", "en_US"});
    return hosttest::HostProcess(arguments, folder_).wait();
  }
  // Nothing half-made left behind: no hidden folder or temporary file in `folder`.
  static void expectNothingHidden(const fs::path& folder) {
    for (const auto& name : filesIn(folder)) EXPECT_FALSE(name.starts_with(".")) << name;
  }

  const support::TemporaryContainers temporary_;
  const fs::path folder_ = temporary_.root();
  const fs::path containers_ = folder_ / "containers";
  const fs::path shots_ = folder_ / "shots";
};

// 2 phones x (small and medium at home and tinted) x light and dark x two locales x three
// entries: 96 cells, on every core.
const std::vector<std::string> kMatrix = {
    "--devices",  "iphone-se,iphone-16", "--family",      "all",
    "--contexts", "home,home-tinted",    "--appearances", "all",
    "--locales",  "en_US,ar_EG",         "--entry",       "current",
    "--entry",    "placeholder",         "--entry",       "negative:balance=-1234.5"};

TEST_F(Snapshots, recordThenVerifyPassesWhateverTheStoreSaysSince) {
  std::vector<std::string> record = {"snapshot", "record", shots_.string()};
  record.insert(record.end(), kMatrix.begin(), kMatrix.end());
  const Ending recorded = run(record);
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  EXPECT_EQ(recorded.err, "recorded 96 cells in " + shots_.string() + "\n");
  EXPECT_EQ(recorded.out, "");
  EXPECT_EQ(filesIn(shots_, ".png").size(), 96u);
  expectNothingHidden(shots_);

  // The manifest holds each entry's values and each cell's inputs, size and the hash of its file.
  const std::string manifest = readText(shots_ / "manifest.json");
  EXPECT_NE(manifest.find(R"("current": {"placeholder":false,"date":"2026-12-06T08:30:00.000Z",)"
                          R"("secondsSinceReferenceDate":818238600.0,"values":{"balance":12840.5,)"
                          R"("income":350.0,"expense":86.4}})"),
            std::string::npos)
      << manifest;
  EXPECT_NE(manifest.find(R"("negative": {"placeholder":false,)"), std::string::npos);
  EXPECT_NE(manifest.find(R"("values":{"balance":-1234.5,"income":350.0,"expense":86.4})"),
            std::string::npos);
  static const std::regex kCell(
      R"re(\{"id":"([^"]+)","device":"([^"]+)".*"width":(\d+),"height":(\d+),"sha256":"([0-9a-f]{64})"\})re");
  std::size_t cells = 0;
  for (std::sregex_iterator match(manifest.begin(), manifest.end(), kCell), end; match != end;
       ++match, ++cells) {
    const auto bytes = readBytes(shots_ / ((*match)[1].str() + ".png"));
    EXPECT_EQ(foundation::Sha256::of(bytes).hex(), (*match)[5].str());
    const auto picture = ui::decodePng(bytes);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(std::to_string(picture->width), (*match)[3].str());
    EXPECT_EQ(std::to_string(picture->height), (*match)[4].str());
    if ((*match)[2] == "iphone-se") {
      EXPECT_EQ(picture->height, 148 * 2);
    }
  }
  EXPECT_EQ(cells, 96u);

  // A new value in the store does not reach a verify: it draws the recorded entries.
  writeStore(-77);
  for (int round = 0; round < 2; ++round) {
    const Ending verified = run({"snapshot", "verify", shots_.string()});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_EQ(verified.out, "verified 96 cells of " + shots_.string() + ": all match; report " +
                                (shots_ / "report" / "index.html").string() + "\n");
    EXPECT_EQ(verified.err, "");
    const std::string junit = readText(shots_ / "report" / "junit.xml");
    EXPECT_NE(junit.find("tests=\"96\" failures=\"0\""), std::string::npos);
  }
  EXPECT_NE(readText(shots_ / "report" / "index.html").find("all 96 cells match"),
            std::string::npos);

  // Recorded again with the store's new balance: the current entry's pictures are new files,
  // the others are left as they were, file and all.
  auto inode = [&](const std::string& id) {
    struct stat status {};
    return ::stat((shots_ / (id + ".png")).c_str(), &status) == 0 ? status.st_ino : 0;
  };
  const std::string current = "iphone-16.small.home.light.en_US.large.current";
  const std::string negative = "iphone-16.small.home.light.en_US.large.negative";
  const auto before = std::pair(inode(current), inode(negative));
  const auto negativeBytes = readBytes(shots_ / (negative + ".png"));
  ASSERT_EQ(run(record).status, 0);
  EXPECT_NE(inode(current), before.first);
  EXPECT_EQ(inode(negative), before.second);
  EXPECT_EQ(readBytes(shots_ / (negative + ".png")), negativeBytes);
  EXPECT_EQ(run({"snapshot", "verify", shots_.string()}).status, 0);
  EXPECT_EQ(filesIn(shots_, ".png").size(), 96u);
  expectNothingHidden(shots_);

  // A cell drawn alone in a process of its own gives the bytes it gave among 96 on every core.
  const fs::path alone = folder_ / "alone";
  writeStore(12840.5);
  ASSERT_EQ(run(record).status, 0);
  for (const auto& [device, entry] :
       {std::pair{"iphone-16", "current"}, {"iphone-se", "negative:balance=-1234.5"}}) {
    fs::remove_all(alone);
    const Ending one = run({"snapshot", "record", alone.string(), "--devices", device, "--family",
                            "medium", "--contexts", "home-tinted", "--appearances", "dark",
                            "--locales", "ar_EG", "--entry", entry});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto names = filesIn(alone, ".png");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(readBytes(alone / names.front()), readBytes(shots_ / names.front())) << names.front();
  }
}

// The progress line: on a terminal, cells done, per second, time left, erased at the end; none
// in a log.
TEST_F(Snapshots, aTerminalGetsAProgressLineALogDoesNot) {
  const std::vector<std::string> record = {
      "snapshot", "record", shots_.string(), "--containers", containers_.string(),
      "--locale", "en_US",  "--locales",     "en_US,de_DE",  "--appearances",
      "all"};
  const Ending onTerminal = hosttest::runOnTerminal(record, {"TERM=xterm"});
  ASSERT_EQ(onTerminal.status, 0) << onTerminal.out;
  EXPECT_TRUE(std::regex_search(
      onTerminal.out, std::regex(R"(\rrecord: \d+/8 cells, \d+ a second(, \d+ s left)?\x1b\[K)")))
      << onTerminal.out;
  EXPECT_NE(onTerminal.out.find("\r\x1b[Krecorded 8 cells"), std::string::npos) << onTerminal.out;
  const Ending inALog = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(inALog.status, 0);
  EXPECT_EQ(inALog.err.find('\r'), std::string::npos);
  EXPECT_EQ(inALog.out.find('\r'), std::string::npos);
}

// Ctrl-C or SIGTERM part-way: the run stops at its next cell, removes what it made, and the
// recording it was replacing is there as it was.
TEST_F(Snapshots, aStoppedRecordingLeavesTheFolderAsItWas) {
  ASSERT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se"}).status, 0);
  std::map<std::string, std::string> before;
  for (const auto& name : filesIn(shots_)) before[name] = readText(shots_ / name);
  for (const int signal : {SIGINT, SIGTERM}) {
    hosttest::HostProcess recording(
        {"snapshot", "record", shots_.string(), "--devices", "all", "--locales", "all",
         "--containers", containers_.string(), "--locale", "en_US"},
        folder_);
    // Its hidden folder is made once a signal would only ask it to stop.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto hidden = [&] {
      const auto names = filesIn(shots_);
      return std::any_of(names.begin(), names.end(),
                         [](const std::string& name) { return name.starts_with("."); });
    };
    while (!hidden() && recording.running() && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(recording.pid(), signal);
    const Ending stopped = recording.wait();
    EXPECT_EQ(stopped.status, 128 + signal) << stopped.err;
    EXPECT_NE(stopped.err.find("stopped; the snapshot folder is as it was"), std::string::npos)
        << stopped.err;
    std::map<std::string, std::string> after;
    for (const auto& name : filesIn(shots_)) after[name] = readText(shots_ / name);
    EXPECT_EQ(after, before);
  }
}

// A golden taken away, replaced by another cell's picture, damaged, and a picture nobody lists:
// each fails by name, in the output, the report and the JUnit file, and nothing of the folder
// changes; --update repairs it all, and the next verify passes.
TEST_F(Snapshots, missingChangedAndStrayGoldensFailByNameAndUpdateRepairsThem) {
  ASSERT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se", "--locales",
                 "en_US,de_DE"})
                .status,
            0);
  const std::string small = "iphone-se.small.home.light.";
  const std::string medium = "iphone-se.medium.home.light.";
  fs::remove(shots_ / (small + "en_US.large.current.png"));
  fs::copy_file(shots_ / (medium + "en_US.large.current.png"),
                shots_ / (medium + "de_DE.large.current.png"),
                fs::copy_options::overwrite_existing);
  std::ofstream(shots_ / (small + "de_DE.large.current.png")) << "not a picture";
  fs::copy_file(shots_ / (medium + "en_US.large.current.png"), shots_ / "stray.png");
  std::map<std::string, std::string> before;
  for (const auto& name : filesIn(shots_)) {
    if (name != "report") before[name] = readText(shots_ / name);
  }

  const Ending failed = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(failed.status, 1) << failed.err;
  EXPECT_EQ(failed.err, "");
  const std::map<std::string, std::string> expected = {
      {small + "en_US.large.current", "golden missing"},
      {small + "de_DE.large.current", "golden unreadable"},
      {medium + "de_DE.large.current", "pixels differ"},
      {"stray.png", "not in the manifest"}};
  EXPECT_EQ(failuresIn(failed.out), expected) << failed.out;
  EXPECT_NE(failed.out.find(": 4 fail; report"), std::string::npos) << failed.out;
  for (const auto& [name, content] : before) EXPECT_EQ(readText(shots_ / name), content) << name;
  expectNothingHidden(shots_);

  const fs::path report = shots_ / "report";
  const std::string junit = readText(report / "junit.xml");
  EXPECT_NE(junit.find("tests=\"5\" failures=\"4\""), std::string::npos) << junit;
  const std::string html = readText(report / "index.html");
  for (const auto& [id, outcome] : expected) {
    EXPECT_NE(junit.find("name=\"" + id.substr(0, id.find(".png")) + "\">\n<failure type=\"" +
                         outcome + "\""),
              std::string::npos)
        << id;
    EXPECT_NE(html.find("<h3>" + id.substr(0, id.find(".png")) + "</h3>"), std::string::npos);
  }
  for (const char* which : {"expected", "actual", "diff"}) {
    EXPECT_TRUE(fs::exists(report / (medium + "de_DE.large.current." + which + ".png"))) << which;
  }
  EXPECT_TRUE(fs::exists(report / (small + "en_US.large.current.actual.png")));

  const Ending updated = run({"snapshot", "verify", shots_.string(), "--update"});
  EXPECT_EQ(updated.status, 0) << updated.out << updated.err;
  EXPECT_NE(updated.out.find("4 fail, 4 rewritten"), std::string::npos) << updated.out;
  EXPECT_FALSE(fs::exists(shots_ / "stray.png"));
  const Ending again = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_NE(again.out.find("verified 4 cells"), std::string::npos) << again.out;
  expectNothingHidden(shots_);
}

// An entry's recorded balance one digit off: its cells fail at the default tolerance (a changed
// digit is caught), and pass when the count allowed is raised; the placeholder's do not change.
TEST_F(Snapshots, theToleranceOptionsDecideWhatAChangedDigitIs) {
  ASSERT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se-1st", "--scale",
                 "1", "--locales", "en_US", "--entry", "current", "--entry", "placeholder"})
                .status,
            0);
  std::string manifest = readText(shots_ / "manifest.json");
  const auto at = manifest.find("\"balance\":12840.5");
  ASSERT_NE(at, std::string::npos);
  manifest.replace(at, 17, "\"balance\":12840.6");
  std::ofstream(shots_ / "manifest.json", std::ios::trunc) << manifest;

  const Ending strict = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(strict.status, 1);
  const auto failures = failuresIn(strict.out);
  EXPECT_EQ(failures.size(), 2u) << strict.out;
  for (const auto& [id, outcome] : failures) {
    EXPECT_TRUE(id.ends_with(".current")) << id;
    EXPECT_EQ(outcome, "pixels differ");
  }
  const Ending lenient = run({"snapshot", "verify", shots_.string(), "--allowed-pixels", "100000"});
  EXPECT_EQ(lenient.status, 0) << lenient.out;
  EXPECT_NE(lenient.out.find("all match (2 within the tolerance)"), std::string::npos)
      << lenient.out;
  const Ending blind = run({"snapshot", "verify", shots_.string(), "--threshold", "1"});
  EXPECT_EQ(blind.status, 0) << blind.out;
}

// Verify's matrix options choose recorded cells; one they name that is not recorded fails.
TEST_F(Snapshots, matrixOptionsChooseRecordedCellsAndNameTheMissingOnes) {
  ASSERT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se", "--locales",
                 "en_US,de_DE"})
                .status,
            0);
  const Ending german = run({"snapshot", "verify", shots_.string(), "--locales", "de_DE"});
  EXPECT_EQ(german.status, 0) << german.out;
  EXPECT_NE(german.out.find("verified 2 cells"), std::string::npos) << german.out;
  const Ending french =
      run({"snapshot", "verify", shots_.string(), "--locales", "de_DE,fr_FR", "--family", "small"});
  EXPECT_EQ(french.status, 1);
  EXPECT_EQ(failuresIn(french.out),
            (std::map<std::string, std::string>{
                {"iphone-se.small.home.light.fr_FR.large.current", "not recorded"}}))
      << french.out;
  // --update records it from the entry's recorded values.
  EXPECT_EQ(run({"snapshot", "verify", shots_.string(), "--locales", "fr_FR", "--update"}).status,
            0);
  const Ending all = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(all.status, 0);
  EXPECT_NE(all.out.find("verified 6 cells"), std::string::npos) << all.out;
}

TEST_F(Snapshots, badCommandLinesAndManifestsSayOneLineAndLeaveEverythingAsItWas) {
  // A bad command line: exit 2, one line and the usage hint; nothing made.
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"snapshot", "record", shots_.string(), "--locales", "xx_QQ"},
        {"snapshot", "record", shots_.string(), "--locales", "en_US,en_US"},
        {"snapshot", "record", shots_.string(), "--locales", "en_US/../../x"},
        {"snapshot", "record", shots_.string(), "--entry", "a:b=1"},
        {"snapshot", "record", shots_.string(), "--contexts", "standby", "--family", "medium"},
        {"snapshot", "verify", shots_.string(), "--threshold", "-0.5"},
        {"snapshot", "verify"}}) {
    const Ending refused = run(arguments);
    EXPECT_EQ(refused.status, 2) << testing::PrintToString(arguments) << refused.err;
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 2) << refused.err;
    EXPECT_FALSE(fs::exists(shots_)) << testing::PrintToString(arguments);
  }

  // A manifest that is not there, not a file, damaged or of another widget: exit 1, one line,
  // no report made and the folder as it was.
  const Ending none = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("manifest.json: No such file or directory (record first"),
            std::string::npos)
      << none.err;
  ASSERT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se"}).status, 0);
  const std::string good = readText(shots_ / "manifest.json");
  const std::pair<std::string, const char*> manifests[] = {
      {good.substr(0, good.size() - 20), "is not a snapshot manifest: parse error"},
      {"{\"snapshots\": 1}", "is not a snapshot manifest: the manifest has no \"kind\""},
      {std::regex_replace(good, std::regex("PockettaWidget"), "Other"),
       "was recorded for the widget Other"},
  };
  for (const auto& [text, message] : manifests) {
    std::ofstream(shots_ / "manifest.json", std::ios::trunc) << text;
    const Ending damaged = run({"snapshot", "verify", shots_.string()});
    EXPECT_EQ(damaged.status, 1) << message;
    EXPECT_NE(damaged.err.find(message), std::string::npos) << damaged.err;
    EXPECT_EQ(std::count(damaged.err.begin(), damaged.err.end(), '\n'), 1) << damaged.err;
    EXPECT_FALSE(fs::exists(shots_ / "report"));
    EXPECT_EQ(readText(shots_ / "manifest.json"), text);
    // Recording over a damaged manifest is refused too: the pictures it lists are unknown.
    if (text != manifests[2].first) {
      EXPECT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se"}).status, 1);
    }
  }
  fs::remove(shots_ / "manifest.json");
  fs::create_directory(shots_ / "manifest.json");
  const Ending folder = run({"snapshot", "verify", shots_.string()});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("cannot read"), std::string::npos) << folder.err;

  // A folder of other files is neither recorded into nor made a report of.
  const fs::path mine = folder_ / "mine";
  fs::create_directories(mine);
  std::ofstream(mine / "notes.txt") << "mine";
  const Ending into = run({"snapshot", "record", mine.string()});
  EXPECT_EQ(into.status, 1);
  EXPECT_NE(into.err.find("holds files and no manifest.json"), std::string::npos) << into.err;
  fs::remove_all(shots_);
  ASSERT_EQ(run({"snapshot", "record", shots_.string(), "--devices", "iphone-se"}).status, 0);
  const Ending report = run({"snapshot", "verify", shots_.string(), "--report", mine.string()});
  EXPECT_EQ(report.status, 1);
  EXPECT_NE(report.err.find("holds other files"), std::string::npos) << report.err;
  EXPECT_EQ(filesIn(mine), std::vector<std::string>{"notes.txt"});
  expectNothingHidden(shots_);
  expectNothingHidden(folder_);
}

// A one-character change in a text (the title, translated in German only, as a new string table
// would) fails exactly the cells that show it, and the report and JUnit file name them.
TEST_F(Snapshots, aOneCharacterChangeInATextFailsExactlyTheCellsThatShowIt) {
  const fs::path strings = folder_ / "strings";
  fs::copy(POCKETTA_SOURCE_DIR "/resources/strings", strings);
  const pocketta::PockettaWidgetBundle bundle;
  host::BundleInfo info = pocketta::PockettaWidgetBundle::info();
  info.applicationGroups = pocketta::PockettaWidgetBundle::entitlements().applicationGroups;
  info.stringsFolder = strings;
  auto host = [&](std::vector<std::string> arguments, std::string& out) {
    arguments.insert(arguments.end(), {"--containers", containers_.string(), "--locale", "en_US"});
    std::ostringstream output, errors;
    host::HostIO io{output, errors};
    const int status = host::runHost(bundle.body(), info, arguments, io);
    out = output.str() + errors.str();
    return status;
  };
  std::string out;
  ASSERT_EQ(host({"snapshot", "record", shots_.string(), "--devices", "iphone-se", "--family",
                  "all", "--locales", "en_US,de_DE,fr_FR", "--appearances", "all"},
                 out),
            0)
      << out;
  std::ofstream(strings / "de.strings", std::ios::app) << "\n\"POCKETTA\" = \"POCKETTB\";\n";

  EXPECT_EQ(host({"snapshot", "verify", shots_.string()}, out), 1);
  const std::set<std::string> german = {"iphone-se.small.home.light.de_DE.large.current",
                                        "iphone-se.small.home.dark.de_DE.large.current",
                                        "iphone-se.medium.home.light.de_DE.large.current",
                                        "iphone-se.medium.home.dark.de_DE.large.current"};
  std::set<std::string> failed;
  for (const auto& [id, outcome] : failuresIn(out)) {
    failed.insert(id);
    EXPECT_EQ(outcome, "pixels differ");
  }
  EXPECT_EQ(failed, german) << out;
  const std::string junit = readText(shots_ / "report" / "junit.xml");
  EXPECT_NE(junit.find("tests=\"12\" failures=\"4\""), std::string::npos);
  const std::string html = readText(shots_ / "report" / "index.html");
  EXPECT_NE(html.find("<h2>Pixels differ: locale de_DE (4 cells)</h2>"), std::string::npos);
  for (const std::string& id : german) {
    EXPECT_NE(junit.find("name=\"" + id + "\">\n<failure"), std::string::npos) << id;
    EXPECT_LT(html.find("<h3>" + id + "</h3>"), html.find("cells match")) << id;
  }
}

}  // namespace
