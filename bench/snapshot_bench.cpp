// Snapshots of a matrix of 1,320 cells (every published phone x both families x the home screen
// and the tinted one x 30 locales), recorded and verified on every core as the command does,
// against the warm single picture drawn on one core. Items are cells, so items_per_second is
// cells a second; the goal is recording and verifying at 85 % or more of cores x the one-core
// rate. The whole-process run, with peak memory, is bench/snapshot.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "data/money_entry.hpp"
#include "extension/pocketta_widget_bundle.hpp"
#include "foundation/localized_strings.hpp"
#include "host/host_runner.hpp"
#include "host/matrix.hpp"
#include "host/renderer.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/temporary_containers.hpp"

namespace {

namespace fs = std::filesystem;

constexpr const char* kLocales =
    "en_US,de_DE,fr_FR,es_ES,it_IT,pt_BR,ru_RU,uk_UA,pl_PL,nl_NL,sv_SE,tr_TR,ar_EG,he_IL,hi_IN,"
    "bn_BD,th_TH,zh_CN,zh_TW,ja_JP,ko_KR,vi_VN,id_ID,el_GR,cs_CZ,hu_HU,ro_RO,fi_FI,da_DK,nb_NO";
constexpr std::size_t kCells = 11 * 2 * 2 * 30;

// The sample store's figures, as the record reads them.
const pocketta::MoneyEntry kEntry{foundation::Date{818238600.0}, 12840.5, 350, 86.4};

// The host in this process on the real bundle, its output kept; the exit status.
int runHost(std::vector<std::string> arguments, const fs::path& containers) {
  static const pocketta::PockettaWidgetBundle bundle;
  host::BundleInfo info = pocketta::PockettaWidgetBundle::info();
  info.applicationGroups = pocketta::PockettaWidgetBundle::entitlements().applicationGroups;
  info.stringsFolder = fs::path(POCKETTA_SOURCE_DIR) / "resources" / "strings";
  arguments.insert(arguments.end(),
                   {"--containers", containers.string(), "--locale", "en_US", "--devices", "all",
                    "--family", "all", "--contexts", "home,home-tinted", "--locales", kLocales});
  std::ostringstream out, err;
  host::HostIO io{out, err};
  return host::runHost(bundle.body(), info, arguments, io);
}

// A containers root whose store holds kEntry, and a folder to record into.
class Folders {
 public:
  Folders() {
    const std::string suite = POCKETTA_APP_GROUP;
    const fs::path store =
        temporary_.root() / "containers" / suite / "Library" / "Preferences" / (suite + ".plist");
    fs::create_directories(store.parent_path());
    std::ofstream(store) << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)"
                         << "<key>balance</key><real>12840.5</real>"
                         << "<key>todayIncome</key><real>350</real>"
                         << "<key>todayExpense</key><real>86.4</real>"
                         << "<key>updatedAt</key><date>2026-12-06T08:30:00Z</date>"
                         << "</dict></plist>";
  }
  fs::path containers() const { return temporary_.root() / "containers"; }
  fs::path shots() const { return temporary_.root() / "shots"; }

 private:
  support::TemporaryContainers temporary_;
};

// One cell's picture at a time on this thread, each the next of the matrix's cells, with the
// renderer's kept lines and backgrounds warm: what one core draws when nothing else is done.
void BM_SnapshotPictureOneCore(benchmark::State& state) {
  host::Matrix matrix;
  for (const host::Device& device : host::devices()) matrix.devices.push_back(&device);
  matrix.families = {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium};
  matrix.contexts = {host::RenderingContext::home, host::RenderingContext::homeTinted};
  matrix.appearances = {host::Appearance::light};
  for (std::string_view rest = kLocales; !rest.empty();) {
    matrix.locales.emplace_back(rest.substr(0, rest.find(',')));
    rest.remove_prefix(std::min(rest.size(), matrix.locales.back().size() + 1));
  }
  matrix.textSizes = {ui::DynamicTypeSize::large};
  matrix.entries = {{"current", false, {}}};
  const std::vector<host::MatrixCell> cells = host::cellsOf(matrix);
  ui::RenderEnvironment user;
  user.strings = std::make_shared<const foundation::LocalizedStrings>(
      foundation::LocalizedStrings::load(fs::path(POCKETTA_SOURCE_DIR) / "resources" / "strings"));
  const ui::View view = pocketta::PockettaWidgetView{kEntry}.body();
  std::vector<ui::RenderEnvironment> environments;
  for (const auto& cell : cells) environments.push_back(host::environmentOf(cell, matrix, user));
  host::Renderer renderer;
  auto draw = [&](std::size_t i) {
    return renderer.render({{view, environments[i]}}, host::OutputFormat::png, {}, 1);
  };
  for (std::size_t i = 0; i < cells.size(); ++i) benchmark::DoNotOptimize(draw(i));
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(draw(next));
    next = (next + 1) % cells.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SnapshotPictureOneCore);

// `snapshot record` of the matrix in this process: a fresh host each time, on every core,
// each picture hashed and written, the whole folder flushed and put in place. Each time into a
// new folder (a recording over an unchanged one writes no picture).
void BM_SnapshotRecord(benchmark::State& state) {
  const Folders folders;
  int run = 0;
  for (auto _ : state) {
    const fs::path shots = folders.shots().string() + std::to_string(run++);
    if (runHost({"snapshot", "record", shots.string()}, folders.containers()) != 0) {
      state.SkipWithError("record failed");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kCells));
  state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_SnapshotRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

// `snapshot verify` of the recorded matrix: each cell drawn again from the manifest, hashed and
// compared with its golden's bytes, the report written.
void BM_SnapshotVerify(benchmark::State& state) {
  const Folders folders;
  if (runHost({"snapshot", "record", folders.shots().string()}, folders.containers()) != 0) {
    state.SkipWithError("record failed");
    return;
  }
  for (auto _ : state) {
    if (runHost({"snapshot", "verify", folders.shots().string()}, folders.containers()) != 0) {
      state.SkipWithError("verify failed");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kCells));
  state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_SnapshotVerify)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
