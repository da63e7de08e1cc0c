// The manual page and the completion scripts as the build makes them: printed by the executable
// from the tables its --help is made from, and read by man, groff, bash and zsh.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/command_table.hpp"
#include "host_process.hpp"

namespace {

namespace fs = std::filesystem;

struct Shell {
  int status = -1;
  std::string output;  // standard output and error together
};

Shell shell(const std::string& command) {
  Shell result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.output.append(buffer, n);
  }
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool has(const char* program) {
  return shell(std::string("command -v ") + program + " >/dev/null").status == 0;
}

class Documentation : public testing::Test {
 protected:
  // What `pocketta-widget --generate kind` prints, in a file of the test's folder.
  fs::path generate(const std::string& kind) const {
    const auto ending = hosttest::HostProcess({"--generate", kind}, folder_).wait();
    EXPECT_EQ(ending.status, 0) << ending.err;
    const fs::path file = folder_ / ("document." + kind);
    std::ofstream(file, std::ios::binary) << ending.out;
    return file;
  }

  const support::TemporaryContainers temporary_;
  const fs::path folder_ = temporary_.root();
};

TEST_F(Documentation, theManualPageRendersWithoutWarningsAndNamesEveryCommandAndOption) {
  if (!has("groff")) GTEST_SKIP() << "groff is not installed";
  const std::string page = generate("man").string();
  const Shell checked = shell("groff -man -Tutf8 -ww -z " + page);
  EXPECT_EQ(checked.output, "");
  // Through man where it is installed, as a reader sees it; else groff's plain text.
  const Shell rendered =
      has("man") ? shell("MANWIDTH=80 man --warnings -E UTF-8 -l " + page + " 2>/dev/null | col -b")
                 : shell("groff -man -Tascii -P-cbou " + page);
  ASSERT_EQ(rendered.status, 0) << rendered.output;
  if (has("man")) {
    EXPECT_EQ(shell("MANWIDTH=80 man --warnings -E UTF-8 -l " + page + " >/dev/null").output, "");
  }
  for (const auto& command : host::commandSpecs()) {
    EXPECT_NE(rendered.output.find("   " + std::string(command.name) + "\n"), std::string::npos)
        << command.name;
  }
  for (const auto& option : host::optionSpecs()) {
    EXPECT_NE(rendered.output.find(std::string(option.name)), std::string::npos) << option.name;
  }
  for (const std::string option : {"--balance X", "--income X", "--expense X"}) {
    EXPECT_NE(rendered.output.find(option), std::string::npos) << option;
  }
  EXPECT_NE(rendered.output.find("EXIT STATUS"), std::string::npos);
}

TEST_F(Documentation, theBashCompletionCompletesCommandsOptionsAndValues) {
  if (!has("bash")) GTEST_SKIP() << "bash is not installed";
  const std::string script = generate("bash").string();
  const std::pair<std::string, std::string> cases[] = {
      {"pocketta-widget ren", "render"},
      {"pocketta-widget render --fo", "--format"},
      {"pocketta-widget render --format s", "svg"},
      {"pocketta-widget --containers c defaults wr", "write"},
      {"pocketta-widget defaults write k -fl", "-float"},
      {"pocketta-widget fit --bal", "--balance"},
      {"pocketta-widget tap --phone --fam", "--family"},
      {"pocketta-widget timeline --fam", ""},  // not an option of timeline
      {"pocketta-widget --lo", "--locale"},
  };
  for (const auto& [line, completed] : cases) {
    // The words as bash splits the line, the last one being completed.
    const Shell result =
        shell("bash --norc --noprofile -c 'source " + script + "; COMP_WORDS=(" + line +
              "); COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 )); _pocketta_widget; "
              "printf \"%s\\n\" \"${COMPREPLY[@]}\"'");
    EXPECT_EQ(result.status, 0) << line << result.output;
    EXPECT_EQ(result.output, completed.empty() ? "\n" : completed + "\n") << line;
  }
}

TEST_F(Documentation, theZshCompletionIsAScriptZshReads) {
  if (!has("zsh")) GTEST_SKIP() << "zsh is not installed";
  const std::string script = generate("zsh").string();
  const Shell checked = shell("zsh -n " + script);
  EXPECT_EQ(checked.status, 0) << checked.output;
  EXPECT_EQ(hosttest::readText(script).rfind("#compdef pocketta-widget\n", 0), 0u);
}

}  // namespace
