#include "host/check_report.hpp"

#include <algorithm>
#include <cmath>

#include "foundation/shortest_decimal.hpp"
#include "host/command_line.hpp"
#include "host/device.hpp"
#include "host/timeline_json.hpp"

namespace host {

namespace {

constexpr std::size_t kWorstCells = 5;
constexpr std::size_t kAxisValuesShown = 3;
constexpr const char* kAxisNames[] = {"device", "family",    "context", "appearance",
                                      "locale", "text size", "entry"};

std::string number(double value) {
  return foundation::shortestDecimal(std::round(value * 10) / 10);
}

std::string frameText(const foundation::Rect& r) {
  return "(" + number(r.minX()) + ", " + number(r.minY()) + ", " + number(r.size.width) + " x " +
         number(r.size.height) + ")";
}

// A count right-aligned in `width` columns.
std::string padded(std::string text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}
std::string padded(std::size_t count, std::size_t width) {
  return padded(std::to_string(count), width);
}

}  // namespace

CheckReport::CheckReport(const Matrix& matrix, const CheckRules& rules, std::ostream& out,
                         bool json)
    : matrix_(matrix), rules_(rules), out_(out), json_(json) {
  if (!json_) return;
  Json ruleList = Json::array();
  for (const CheckRuleInfo& info : checkRules()) {
    ruleList.push_back({{"name", info.name},
                        {"severity", toString(info.severity)},
                        {"checked", rules.has(info.rule)}});
  }
  const std::string head = oneLine({{"rules", std::move(ruleList)}});
  // The object stays open: the findings follow as the cells are checked.
  out_ << head.substr(0, head.size() - 1) << ",\"findings\":[";
}

void CheckReport::add(const CellCheck& checked) {
  ++cells_;
  const MatrixCell& cell = checked.cell;
  const std::string id = cell.id(matrix_);
  std::size_t errors = 0;
  std::array<std::size_t, kCheckRuleCount> byRule{};
  for (const CheckFinding& finding : checked.findings) {
    const CheckRuleInfo& info = infoOf(finding.rule);
    const bool error = info.severity == Severity::error;
    errors += error ? 1 : 0;
    ++byRule[static_cast<std::size_t>(finding.rule)];
    if (json_) {
      const Json item = {{"cell", id},
                         {"device", cell.device->name},
                         {"family", shortName(cell.family)},
                         {"context", toString(cell.context)},
                         {"appearance", toString(cell.appearance)},
                         {"locale", cell.locale},
                         {"textSize", ui::toString(cell.textSize)},
                         {"entry", matrix_.entries.at(cell.entry).name},
                         {"rule", info.name},
                         {"severity", toString(info.severity)},
                         {"subject", finding.subject},
                         {"frame",
                          {{"x", jsonNumber(finding.frame.minX())},
                           {"y", jsonNumber(finding.frame.minY())},
                           {"width", jsonNumber(finding.frame.size.width)},
                           {"height", jsonNumber(finding.frame.size.height)}}},
                         {"figure", jsonNumber(finding.figure)},
                         {"detail", finding.detail}};
      out_ << (firstFinding_ ? "" : ",") << oneLine(item);
      firstFinding_ = false;
    } else {
      std::string subject = finding.subject;
      out_ << id << ": " << toString(info.severity) << ' ' << info.name << " \"" << subject
           << "\" at " << frameText(finding.frame) << ": " << finding.detail << '\n';
    }
  }
  errors_ += errors;
  warnings_ += checked.findings.size() - errors;
  if (checked.findings.empty()) return;
  (errors > 0 ? cellsWithErrors_ : cellsWithWarnings_) += 1;
  std::string rules;
  for (std::size_t r = 0; r < kCheckRuleCount; ++r) {
    if (byRule[r] == 0) continue;
    findingsByRule_[r] += byRule[r];
    ++cellsByRule_[r];
    rules += (rules.empty() ? "" : ", ") + std::string(checkRules()[r].name) +
             (byRule[r] > 1 ? " x" + std::to_string(byRule[r]) : "");
  }
  const std::string values[] = {std::string(cell.device->name),
                                std::string(shortName(cell.family)),
                                std::string(toString(cell.context)),
                                std::string(toString(cell.appearance)),
                                cell.locale,
                                std::string(ui::toString(cell.textSize)),
                                matrix_.entries.at(cell.entry).name};
  for (std::size_t axis = 0; axis < axes_.size() && errors > 0; ++axis) ++axes_[axis][values[axis]];

  // The worst few: errors first, then findings; the earlier cell first among equals.
  const WorstCell candidate{errors, checked.findings.size(), id, rules};
  auto worse = [](const WorstCell& a, const WorstCell& b) {
    return a.errors != b.errors ? a.errors > b.errors : a.findings > b.findings;
  };
  const auto at = std::upper_bound(worst_.begin(), worst_.end(), candidate, worse);
  if (worst_.size() < kWorstCells || at != worst_.end()) {
    worst_.insert(at, candidate);
    if (worst_.size() > kWorstCells) worst_.pop_back();
  }
}

void CheckReport::finish() {
  const std::size_t clean = cells_ - cellsWithErrors_ - cellsWithWarnings_;
  if (json_) {
    Json byRule = Json::object();
    for (const CheckRuleInfo& info : checkRules()) {
      if (!rules_.has(info.rule)) continue;
      const auto r = static_cast<std::size_t>(info.rule);
      byRule[std::string(info.name)] = {{"findings", findingsByRule_[r]},
                                        {"cells", cellsByRule_[r]}};
    }
    const Json summary = {{"cells", cells_},
                          {"errors", errors_},
                          {"warnings", warnings_},
                          {"cellsWithErrors", cellsWithErrors_},
                          {"cellsWithWarnings", cellsWithWarnings_},
                          {"rules", std::move(byRule)}};
    out_ << "],\"summary\":" << oneLine(summary) << "}\n";
    return;
  }
  out_ << '\n'
       << "check: " << cells_ << (cells_ == 1 ? " cell" : " cells") << ", " << errors_
       << (errors_ == 1 ? " error, " : " errors, ") << warnings_
       << (warnings_ == 1 ? " warning\n" : " warnings\n");
  out_ << "  rule           severity  findings     cells\n";
  for (const CheckRuleInfo& info : checkRules()) {
    const auto r = static_cast<std::size_t>(info.rule);
    std::string name(info.name);
    name.resize(15, ' ');
    std::string severity(toString(info.severity));
    severity.resize(8, ' ');
    out_ << "  " << name << severity
         << (rules_.has(info.rule) ? padded(findingsByRule_[r], 10) + padded(cellsByRule_[r], 10)
                                   : padded("skipped", 10))
         << '\n';
  }
  out_ << "cells: " << cellsWithErrors_ << " with an error, " << cellsWithWarnings_
       << " with warnings only, " << clean << " clean\n";
  if (!worst_.empty()) {
    out_ << "most findings:\n";
    for (const WorstCell& cell : worst_) {
      out_ << "  " << cell.id << ": " << cell.findings << " (" << cell.rules << ")\n";
    }
  }
  const std::size_t axisSizes[] = {matrix_.devices.size(),  matrix_.families.size(),
                                   matrix_.contexts.size(), matrix_.appearances.size(),
                                   matrix_.locales.size(),  matrix_.textSizes.size(),
                                   matrix_.entries.size()};
  bool heading = false;
  for (std::size_t axis = 0; axis < axes_.size(); ++axis) {
    if (axisSizes[axis] < 2 || axes_[axis].empty()) continue;
    std::vector<std::pair<std::string, std::size_t>> values(axes_[axis].begin(), axes_[axis].end());
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (!heading) out_ << "cells with an error, by axis:\n";
    heading = true;
    out_ << "  " << kAxisNames[axis] << ":";
    for (std::size_t i = 0; i < values.size() && i < kAxisValuesShown; ++i) {
      out_ << (i == 0 ? " " : ", ") << values[i].first << ' ' << values[i].second;
    }
    if (values.size() > kAxisValuesShown) {
      out_ << ", " << values.size() - kAxisValuesShown << " more";
    }
    out_ << '\n';
  }
}

}  // namespace host
