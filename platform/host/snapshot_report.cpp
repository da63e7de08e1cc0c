#include "host/snapshot_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>

#include "foundation/xml_escaped.hpp"

namespace host {
namespace {

constexpr std::string_view kGenerator = "pocketta-widget snapshot report";

// A relative URL of a file: each byte outside the unreserved set and '/' escaped.
std::string urlEscaped(std::string_view path) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::string_view("-._~/").find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

std::string decimal(double value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

// What a failing cell's line says after its outcome.
std::string explanation(const SnapshotCellReport& cell, const ui::PictureTolerance& tolerance) {
  const ui::PictureDifference& d = cell.difference;
  std::string text;
  if (cell.outcome == SnapshotOutcome::differs || cell.outcome == SnapshotOutcome::close) {
    text = std::to_string(d.differingPixels) + " pixels past " + decimal(tolerance.threshold, 2) +
           " (" + std::to_string(tolerance.allowedPixels) + " allowed), the largest change " +
           decimal(d.largestChange, 2);
    if (d.bounds.width > 0) {
      text += ", within " + std::to_string(d.bounds.width) + " x " +
              std::to_string(d.bounds.height) + " px from (" + std::to_string(d.bounds.x) + ", " +
              std::to_string(d.bounds.y) + ")";
    }
  }
  if (!cell.detail.empty()) text += (text.empty() ? "" : "; ") + cell.detail;
  return text;
}

// The width a PNG's header declares; 0 for no picture (and for a file too short to be one).
int pngWidth(std::span<const std::uint8_t> png) {
  if (png.empty()) return 0;
  if (png.size() < 24) return 1;
  return std::max(1, png[16] << 24 | png[17] << 16 | png[18] << 8 | png[19]);
}

// Whether `folder` may be replaced by a report: absent, empty, or a report written before.
bool replaceable(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(folder, error))) return true;
  if (!std::filesystem::is_directory(std::filesystem::symlink_status(folder, error))) return false;
  if (std::filesystem::is_empty(folder, error)) return true;
  std::ifstream index(folder / "index.html");
  std::string head(512, '\0');
  index.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(index.gcount()));
  return head.find(kGenerator) != std::string::npos;
}

const char* kStyle = R"(
:root { color-scheme: light dark; --line: #8884; --bad: #c62828; --good: #2e7d32; }
body { font: 14px/1.45 system-ui, sans-serif; margin: 0 auto; max-width: 1400px; padding: 0 16px 48px; }
h1 { font-size: 22px; margin: 20px 0 8px; }
h1.failed { color: var(--bad); } h1.passed { color: var(--good); }
table.summary { border-collapse: collapse; margin: 8px 0; }
table.summary td { padding: 2px 14px 2px 0; } table.summary td:last-child { text-align: right; }
section.group { border-top: 2px solid var(--line); margin-top: 24px; }
section.group > h2 { font-size: 17px; margin: 12px 0; color: var(--bad); }
article.cell { border: 1px solid var(--line); border-radius: 8px; padding: 10px 12px; margin: 12px 0; }
article.cell h3 { font: 600 14px ui-monospace, monospace; margin: 0 0 4px; word-break: break-all; }
p.detail { margin: 0 0 6px; }
dl.inputs { display: flex; flex-wrap: wrap; gap: 2px 14px; margin: 0 0 8px; font-size: 12px; }
dl.inputs dt { opacity: .7; } dl.inputs dd { margin: 0 0 0 -10px; font-family: ui-monospace, monospace; }
div.pictures { display: flex; flex-wrap: wrap; align-items: flex-start; gap: 12px; }
figure { margin: 0; }
figure img { display: block; height: auto; cursor: zoom-in;
  background: repeating-conic-gradient(#ccc 0 25%, #fff 0 50%) 0 0 / 16px 16px; }
figure.flip img { cursor: pointer; }
figcaption { font-size: 12px; margin-top: 4px; }
figure.flip[data-showing="actual"] figcaption span { color: var(--bad); }
details.passed ul { columns: 2; font: 12px ui-monospace, monospace; }
kbd { border: 1px solid var(--line); border-radius: 3px; padding: 0 4px; }
)";

const char* kScript = R"(
for (const figure of document.querySelectorAll('figure.flip')) {
  const image = figure.querySelector('img');
  const shown = figure.querySelector('figcaption span');
  const flip = () => {
    const next = figure.dataset.showing === 'expected' ? 'actual' : 'expected';
    figure.dataset.showing = next;
    image.src = image.dataset[next];
    shown.textContent = next;
  };
  figure.querySelector('button').addEventListener('click', flip);
  image.addEventListener('click', flip);
}
document.addEventListener('keydown', (event) => {
  if (event.key !== 'f' || event.ctrlKey || event.metaKey || event.altKey) return;
  for (const button of document.querySelectorAll('figure.flip button')) button.click();
});
)";

}  // namespace

bool passed(SnapshotOutcome outcome) {
  return outcome == SnapshotOutcome::close || outcome == SnapshotOutcome::same;
}

std::string_view describe(SnapshotOutcome outcome) {
  switch (outcome) {
    case SnapshotOutcome::differs:
      return "pixels differ";
    case SnapshotOutcome::sizeDiffers:
      return "size differs";
    case SnapshotOutcome::missing:
      return "golden missing";
    case SnapshotOutcome::unreadable:
      return "golden unreadable";
    case SnapshotOutcome::notRecorded:
      return "not recorded";
    case SnapshotOutcome::cannotDraw:
      return "cannot be drawn";
    case SnapshotOutcome::unlisted:
      return "not in the manifest";
    case SnapshotOutcome::stale:
      return "not the recorded golden";
    case SnapshotOutcome::close:
      return "matches within the tolerance";
    case SnapshotOutcome::same:
      return "matches";
  }
  return "";
}

std::variant<std::unique_ptr<SnapshotReport>, std::string> SnapshotReport::open(
    const std::filesystem::path& folder) {
  if (!replaceable(folder)) {
    return "the report's folder " + folder.string() +
           " holds other files: give --report a new or empty folder";
  }
  const std::filesystem::path parent =
      folder.has_parent_path() ? folder.parent_path() : std::filesystem::path(".");
  auto staging = StagingFolder::create(parent, folder.filename().string());
  if (auto* failure = std::get_if<std::string>(&staging)) return *failure;
  return std::unique_ptr<SnapshotReport>(
      new SnapshotReport(folder, std::move(std::get<std::unique_ptr<StagingFolder>>(staging))));
}

std::string SnapshotReport::pictureName(std::string_view id, std::string_view which) {
  return std::string(id) + "." + std::string(which) + ".png";
}

std::size_t SnapshotReport::failures() const {
  std::lock_guard lock(mutex_);
  return failed_.size();
}

std::optional<std::string> SnapshotReport::add(SnapshotCellReport cell,
                                               const SnapshotPictures& pictures) {
  const bool failing = !passed(cell.outcome);
  if (failing) {
    for (const auto& [bytes, which] : {std::pair{pictures.expected, "expected"},
                                       {pictures.actual, "actual"},
                                       {pictures.diff, "diff"}}) {
      if (bytes.empty()) continue;
      if (auto failed = staging_->write(pictureName(cell.id, which), bytes)) return failed;
    }
  }
  std::lock_guard lock(mutex_);
  for (const SnapshotInput& input : cell.inputs) {
    auto axis = std::find_if(axes_.begin(), axes_.end(),
                             [&](const Axis& a) { return a.name == input.axis; });
    if (axis == axes_.end()) axis = axes_.insert(axes_.end(), Axis{input.axis, {}});
    axis->values.insert(input.value);
  }
  if (failing) {
    failed_.push_back(
        {std::move(cell),
         {pngWidth(pictures.expected), pngWidth(pictures.actual), pngWidth(pictures.diff)}});
  } else {
    passed_.push_back({cell.order, std::move(cell.id), cell.outcome});
  }
  return std::nullopt;
}

std::optional<std::string> SnapshotReport::finish(const SnapshotSummary& summary) {
  std::lock_guard lock(mutex_);
  std::sort(passed_.begin(), passed_.end(),
            [](const Passed& a, const Passed& b) { return a.order < b.order; });
  std::sort(failed_.begin(), failed_.end(), [](const Failed& a, const Failed& b) {
    return std::pair(a.cell.outcome, a.cell.order) < std::pair(b.cell.outcome, b.cell.order);
  });
  const std::size_t total = passed_.size() + failed_.size();

  // Failures of one outcome are grouped by the axis that sets them most apart: the one on which
  // they take the smallest share of the values all the cells take (a text changed in German:
  // the locale de_DE; a layout change of the medium family: the family medium). When they take
  // every value of every axis, they are one group.
  struct Group {
    std::string title;
    std::vector<const Failed*> cells;
  };
  std::vector<Group> groups;
  for (auto begin = failed_.begin(); begin != failed_.end();) {
    const SnapshotOutcome outcome = begin->cell.outcome;
    const auto end = std::find_if(begin, failed_.end(),
                                  [&](const Failed& f) { return f.cell.outcome != outcome; });
    const Axis* best = nullptr;
    double bestShare = 1;
    for (const Axis& axis : axes_) {
      if (axis.values.size() < 2 || end - begin < 2) continue;
      std::set<std::string> taken;
      for (auto f = begin; f != end; ++f) {
        for (const SnapshotInput& input : f->cell.inputs) {
          if (input.axis == axis.name) taken.insert(input.value);
        }
      }
      const double share = static_cast<double>(taken.size()) / axis.values.size();
      // Of equal shares, the axis with more values says more ("locale de_DE", not "family
      // small", for one cell of two families and thirty locales).
      if (!taken.empty() && (share < bestShare || (share == bestShare && best != nullptr &&
                                                   axis.values.size() > best->values.size()))) {
        best = &axis, bestShare = share;
      }
    }
    std::string heading(describe(outcome));
    heading[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(heading[0])));
    const std::size_t first = groups.size();
    for (auto f = begin; f != end; ++f) {
      std::string value;
      for (const SnapshotInput& input : f->cell.inputs) {
        if (best != nullptr && input.axis == best->name) value = input.value;
      }
      const std::string title =
          best == nullptr || value.empty() ? heading : heading + ": " + best->name + " " + value;
      auto group = std::find_if(groups.begin() + static_cast<std::ptrdiff_t>(first), groups.end(),
                                [&](const Group& g) { return g.title == title; });
      if (group == groups.end()) group = groups.insert(groups.end(), Group{title, {}});
      group->cells.push_back(&*f);
    }
    begin = end;
  }

  const std::size_t failures = failed_.size();
  std::map<SnapshotOutcome, std::size_t> counts;
  for (const Failed& f : failed_) ++counts[f.cell.outcome];
  for (const Passed& p : passed_) ++counts[p.outcome];
  const std::string verdict =
      failures == 0 ? "all " + std::to_string(total) + " cells match"
                    : std::to_string(failures) + " of " + std::to_string(total) + " cells fail";
  std::error_code error;
  const std::filesystem::path absoluteReport = std::filesystem::absolute(folder_, error);
  std::string goldens = std::filesystem::relative(std::filesystem::absolute(summary.goldens, error),
                                                  absoluteReport, error)
                            .string();
  if (goldens.empty() || error) goldens = std::filesystem::absolute(summary.goldens).string();

  auto html = [&](std::ostream& out) {
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"generator\" content=\"" << kGenerator << "\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "img-src 'self' file:; style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
        << "<title>" << foundation::xmlEscaped(summary.title + ": " + verdict)
        << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body data-failures=\"" << failures
        << "\">\n<header>\n"
        << "<h1 class=\"" << (failures == 0 ? "passed" : "failed") << "\">"
        << foundation::xmlEscaped(summary.title + ": " + verdict)
        << "</h1>\n<table class=\"summary\">\n";
    for (const auto& [outcome, count] : counts) {
      out << "<tr data-outcome=\"" << foundation::xmlEscaped(describe(outcome)) << "\"><td>"
          << foundation::xmlEscaped(describe(outcome)) << "</td><td>" << count << "</td></tr>\n";
    }
    out << "<tr><td>cells</td><td>" << total << "</td></tr>\n";
    if (summary.updated > 0) {
      out << "<tr><td>goldens rewritten (--update)</td><td>" << summary.updated << "</td></tr>\n";
    }
    out << "</table>\n<p>A pixel differs when a channel changed by more than "
        << decimal(summary.tolerance.threshold, 2)
        << " of its range; a picture matches with at most " << summary.tolerance.allowedPixels
        << " differing pixels. Checked in " << decimal(summary.seconds, 1)
        << " s. Click a picture to flip it between expected and actual; <kbd>f</kbd> flips them "
           "all.</p>\n</header>\n<main>\n";
    for (const Group& group : groups) {
      out << "<section class=\"group\" data-outcome=\""
          << foundation::xmlEscaped(describe(group.cells.front()->cell.outcome)) << "\">\n<h2>"
          << foundation::xmlEscaped(group.title) << " (" << group.cells.size()
          << (group.cells.size() == 1 ? " cell" : " cells") << ")</h2>\n";
      for (const Failed* f : group.cells) {
        const SnapshotCellReport& cell = f->cell;
        out << "<article class=\"cell failed\" data-id=\"" << foundation::xmlEscaped(cell.id)
            << "\">\n<h3>" << foundation::xmlEscaped(cell.id) << "</h3>\n<p class=\"detail\">"
            << foundation::xmlEscaped(describe(cell.outcome));
        if (const std::string more = explanation(cell, summary.tolerance); !more.empty()) {
          out << ": " << foundation::xmlEscaped(more);
        }
        out << "</p>\n";
        if (!cell.inputs.empty()) {
          out << "<dl class=\"inputs\">";
          for (const SnapshotInput& input : cell.inputs) {
            out << "<dt>" << foundation::xmlEscaped(input.axis) << "</dt><dd>"
                << foundation::xmlEscaped(input.value) << "</dd>";
          }
          out << "</dl>\n";
        }
        const auto [expectedWidth, actualWidth, diffWidth] = f->widths;
        // One scale for a cell's pictures, so that a change of size shows: the widest at most
        // 320 pixels of the page.
        const double widest = std::max({expectedWidth, actualWidth, diffWidth, 320});
        auto width = [&](int pixels) { return decimal(pixels * 320 / widest, 1) + "px"; };
        if (widest > 0 && (expectedWidth > 0 || actualWidth > 0 || diffWidth > 0)) {
          out << "<div class=\"pictures\">\n";
          for (const auto& [pixels, which] : {std::pair{expectedWidth, "expected"},
                                              {actualWidth, "actual"},
                                              {diffWidth, "diff"}}) {
            if (pixels == 0) continue;
            const std::string src = urlEscaped(pictureName(cell.id, which));
            out << "<figure class=\"" << which << "\"><a href=\"" << src << "\"><img src=\"" << src
                << "\" alt=\"" << which << "\" style=\"width: " << width(pixels)
                << "\"></a><figcaption>" << which << "</figcaption></figure>\n";
          }
          if (expectedWidth > 0 && actualWidth > 0) {
            const std::string expected = urlEscaped(pictureName(cell.id, "expected"));
            const std::string actual = urlEscaped(pictureName(cell.id, "actual"));
            out << "<figure class=\"flip\" data-showing=\"expected\"><img src=\"" << expected
                << "\" data-expected=\"" << expected << "\" data-actual=\"" << actual
                << "\" style=\"width: " << width(std::max(expectedWidth, actualWidth))
                << "\" alt=\"expected or actual\" title=\"click to flip\"><figcaption><button "
                   "type=\"button\">Flip</button> showing <span>expected</span></figcaption>"
                   "</figure>\n";
          }
          out << "</div>\n";
        }
        out << "</article>\n";
      }
      out << "</section>\n";
    }
    if (!passed_.empty()) {
      out << "<section class=\"passed\">\n<details class=\"passed\"><summary>" << passed_.size()
          << (passed_.size() == 1 ? " cell matches" : " cells match") << "</summary>\n<ul>\n";
      for (const Passed& p : passed_) {
        out << "<li><a href=\"" << urlEscaped(goldens + "/" + p.id + ".png") << "\">"
            << foundation::xmlEscaped(p.id) << "</a>"
            << (p.outcome == SnapshotOutcome::close ? " (within the tolerance)" : "") << "</li>\n";
      }
      out << "</ul>\n</details>\n</section>\n";
    }
    out << "</main>\n<script>" << kScript << "</script>\n</body>\n</html>\n";
  };

  auto junit = [&](std::ostream& out) {
    const std::string time = decimal(summary.seconds, 3);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"snapshots\" tests=\""
        << total << "\" failures=\"" << failures << "\" errors=\"0\" time=\"" << time
        << "\">\n<testsuite name=\"" << foundation::xmlEscaped(summary.title) << "\" tests=\""
        << total << "\" failures=\"" << failures << "\" errors=\"0\" skipped=\"0\" time=\"" << time
        << "\">\n";
    // Every cell in the order of the run.
    std::vector<const Failed*> failing;
    for (const Failed& f : failed_) failing.push_back(&f);
    std::sort(failing.begin(), failing.end(),
              [](const Failed* a, const Failed* b) { return a->cell.order < b->cell.order; });
    auto p = passed_.begin();
    auto f = failing.begin();
    while (p != passed_.end() || f != failing.end()) {
      if (f == failing.end() || (p != passed_.end() && p->order < (*f)->cell.order)) {
        out << "<testcase classname=\"snapshots\" name=\"" << foundation::xmlEscaped(p->id)
            << "\"/>\n";
        ++p;
        continue;
      }
      const SnapshotCellReport& cell = (*f)->cell;
      std::string message(describe(cell.outcome));
      if (const std::string more = explanation(cell, summary.tolerance); !more.empty()) {
        message += ": " + more;
      }
      out << "<testcase classname=\"snapshots\" name=\"" << foundation::xmlEscaped(cell.id)
          << "\">\n<failure type=\"" << foundation::xmlEscaped(describe(cell.outcome))
          << "\" message=\"" << foundation::xmlEscaped(message) << "\">"
          << foundation::xmlEscaped(message);
      for (const SnapshotInput& input : cell.inputs) {
        out << "\n" << foundation::xmlEscaped(input.axis + ": " + input.value);
      }
      out << "\nsee " << foundation::xmlEscaped((folder_ / "index.html").string())
          << "</failure>\n</testcase>\n";
      ++f;
    }
    out << "</testsuite>\n</testsuites>\n";
  };

  if (auto failed = staging_->write("index.html", html)) return failed;
  if (auto failed = staging_->write("junit.xml", junit)) return failed;
  return staging_->replace(folder_);
}

}  // namespace host
