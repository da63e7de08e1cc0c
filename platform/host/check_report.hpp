#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "host/cell_check.hpp"
#include "host/check_rule.hpp"
#include "host/matrix.hpp"

namespace host {

// Writes check's findings as the cells are checked, in the matrix's order, then a summary. It
// keeps the summary's counts and the few cells with the most findings, never the findings
// themselves, so that a matrix of any size is reported in bounded memory.
//
// Text, for people: one line per finding ("CELL: severity rule "subject" at (x, y, w x h):
// detail"), then a summary that fits a screen: findings and cells by rule, cells with an error,
// with warnings only and clean, the cells with the most findings, and on each axis with more than
// one value the values with the most cells with an error.
//
// JSON, for scripts, on one line: {"rules": [{"name", "severity", "checked"}], "findings":
// [{"cell", "device", "family", "context", "appearance", "locale", "textSize", "entry", "rule",
// "severity", "subject", "frame": {"x", "y", "width", "height"}, "figure", "detail"}],
// "summary": {"cells", "errors", "warnings", "cellsWithErrors", "cellsWithWarnings", "rules":
// {NAME: {"findings", "cells"}}}}.
class CheckReport {
 public:
  CheckReport(const Matrix& matrix, const CheckRules& rules, std::ostream& out, bool json);

  // The next cell in the matrix's order.
  void add(const CellCheck& checked);
  // Ends the report with its summary.
  void finish();

  std::size_t errors() const { return errors_; }

 private:
  struct WorstCell {
    std::size_t errors = 0;
    std::size_t findings = 0;
    std::string id;
    std::string rules;  // "contrast x2, shrunk"
  };
  // Per value of one axis: cells with an error.
  using AxisCounts = std::map<std::string, std::size_t>;

  const Matrix& matrix_;
  CheckRules rules_;
  std::ostream& out_;
  bool json_;
  bool firstFinding_ = true;
  std::size_t cells_ = 0;
  std::size_t errors_ = 0;
  std::size_t warnings_ = 0;
  std::size_t cellsWithErrors_ = 0;
  std::size_t cellsWithWarnings_ = 0;
  std::array<std::size_t, kCheckRuleCount> findingsByRule_{};
  std::array<std::size_t, kCheckRuleCount> cellsByRule_{};
  std::vector<WorstCell> worst_;  // at most kWorstCells, most findings first
  std::array<AxisCounts, 7> axes_;
};

}  // namespace host
