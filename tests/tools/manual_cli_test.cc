// conta's help and its manual page tell the same options: every option a
// subcommand's --help lists is explained in the manual under that
// subcommand and used in an example of both, and neither names an option
// the tool does not have.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "tools/cli_run.h"

namespace conta {
namespace {

namespace fs = std::filesystem;
using Options = std::set<std::string>;

// The long options ("--format") a text names.
Options longOptions(const std::string& text) {
  static const std::regex option(R"((?:^|[\s\[(|,])(--[a-z][a-z-]*))");
  Options found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it) {
    found.insert((*it)[1]);
  }
  return found;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    out.push_back(line);
  return out;
}

std::string firstWord(const std::string& text) {
  std::istringstream in(text);
  std::string word;
  in >> word;
  return word;
}

// An example command's subcommand: "conta pacote FILE ..." → "pacote".
std::string subcommandOf(const std::string& command) {
  std::istringstream in(command);
  std::string program, subcommand;
  in >> program >> subcommand;
  return program == "conta" ? subcommand : std::string();
}

// Example commands, a command continued with "\" joined to its next line.
void addExample(std::vector<std::string>& examples, const std::string& line, bool& continued) {
  std::string text = line.substr(line.find_first_not_of(' '));
  const bool continues = !text.empty() && text.back() == '\\';
  if (continues) text.pop_back();
  if (continued && !examples.empty()) {
    examples.back() += " " + text;
  } else if (text.starts_with("conta")) {
    examples.push_back(text);
  }
  continued = continues;
}

struct Help {
  Options options;
  std::vector<std::string> positionals;
  std::vector<std::string> subcommands;
  std::vector<std::string> examples;
};

// CLI11's help: sections headed "Options:", "Positionals:", "Subcommands:",
// entries indented by two spaces, descriptions continued further in; the
// footer's "Examples:" lines.
Help parseHelp(const std::string& text) {
  Help help;
  enum { kNone, kOptions, kPositionals, kSubcommands, kExamples } section = kNone;
  bool continued = false;
  for (const std::string& line : lines(text)) {
    if (line == "Options:") {
      section = kOptions;
    } else if (line == "Positionals:") {
      section = kPositionals;
    } else if (line == "Subcommands:") {
      section = kSubcommands;
    } else if (line.starts_with("Example")) {
      section = kExamples;
    } else if (!line.starts_with("  ")) {
      section = kNone;
    } else if (section == kExamples) {
      addExample(help.examples, line, continued);
    } else if (line.size() > 2 && line[2] != ' ') {
      const std::string name = firstWord(line);
      if (section == kOptions) {
        for (const std::string& option : longOptions(" " + name))
          help.options.insert(option);
      } else if (section == kPositionals) {
        help.positionals.push_back(name);
      } else if (section == kSubcommands) {
        help.subcommands.push_back(name);
      }
    }
  }
  return help;
}

// The manual page: the text of each section and subsection, with the roff
// escapes that matter here undone, and the commands of EXAMPLES.
struct ManPage {
  std::map<std::string, std::string> text;  // "OPTIONS/conta calcula" → its text
  std::vector<std::string> sections;        // the .SH names, in order
  std::vector<std::string> examples;
};

std::string plainRoff(std::string line) {
  static const std::regex font(R"(\\f[BIRP])");
  line = std::regex_replace(line, font, "");
  for (auto [escape, plain] : {std::pair{"\\-", "-"}, {"\\e", "\\"}, {"\\&", ""}}) {
    for (auto at = line.find(escape); at != std::string::npos; at = line.find(escape, at))
      line.replace(at, std::string(escape).size(), plain);
  }
  return line;
}

std::string unquoted(std::string text) {
  std::erase(text, '"');
  return text.substr(
      text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
}

ManPage parseManPage(const std::string& roff) {
  ManPage page;
  std::string section, subsection;
  bool continued = false;
  for (const std::string& raw : lines(roff)) {
    if (raw.starts_with(".\\\"")) continue;  // a comment
    std::string line = plainRoff(raw);
    if (line.starts_with(".SH")) {
      section = unquoted(line.substr(3));
      subsection.clear();
      page.sections.push_back(section);
      continue;
    }
    if (line.starts_with(".SS")) {
      subsection = unquoted(line.substr(3));
      page.text[section + "/" + subsection];  // a subsection with no text yet
      continue;
    }
    if (line.starts_with(".")) {
      const auto space = line.find(' ');
      line = space == std::string::npos ? std::string() : unquoted(line.substr(space));
    }
    page.text[section + "/" + subsection] += line + "\n";
    if (section == "EXAMPLES" && !line.empty()) addExample(page.examples, " " + line, continued);
  }
  return page;
}

class ManualCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(CONTA_TEST_TMP) / "manual_cli";
    fs::create_directories(scratch_);
    testing_support::CliRun top = testing_support::runConta("--help", scratch_);
    ASSERT_EQ(top.status, 0) << top.err;
    top_ = parseHelp(top.out);
    ASSERT_FALSE(top_.subcommands.empty()) << top.out;
    for (const std::string& name : top_.subcommands) {
      testing_support::CliRun help = testing_support::runConta(name + " --help", scratch_);
      ASSERT_EQ(help.status, 0) << name << help.err;
      help_[name] = parseHelp(help.out);
      help_text_[name] = help.out;
    }
    const std::string roff = testing_support::readWholeFile(CONTA_MAN_PAGE);
    ASSERT_FALSE(roff.empty()) << CONTA_MAN_PAGE;
    man_ = parseManPage(roff);
  }

  // The options the examples of one subcommand use.
  static Options usedBy(const std::vector<std::string>& examples, const std::string& name) {
    Options used;
    for (const std::string& example : examples) {
      if (subcommandOf(example) != name) continue;
      for (const std::string& option : longOptions(example))
        used.insert(option);
    }
    return used;
  }

  fs::path scratch_;
  Help top_;
  std::map<std::string, Help> help_;
  std::map<std::string, std::string> help_text_;
  ManPage man_;
};

TEST_F(ManualCliTest, EverySubcommandsHelpHasExamplesOfEachOption) {
  EXPECT_EQ(std::set<std::string>(top_.subcommands.begin(), top_.subcommands.end()),
            (std::set<std::string>{"calcula", "demo", "historico", "indices", "pacote", "schema"}));
  for (const auto& [name, help] : help_) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(help.examples.empty()) << help_text_[name];
    Options wanted = help.options;
    wanted.erase("--help");
    const Options used = usedBy(help.examples, name);
    for (const std::string& option : wanted)
      EXPECT_TRUE(used.contains(option)) << option << " in no example\n" << help_text_[name];
    for (const std::string& option : used)
      EXPECT_TRUE(help.options.contains(option)) << option << " is no option of " << name;
  }
  // The top-level examples use only options their subcommands have.
  for (const std::string& example : top_.examples) {
    const std::string name = subcommandOf(example);
    const Options& options = name.starts_with("-") ? top_.options : help_[name].options;
    for (const std::string& option : longOptions(example))
      EXPECT_TRUE(options.contains(option)) << option << " in: " << example;
  }
}

TEST_F(ManualCliTest, ManPageExplainsEverySubcommandAndOptionTheHelpLists) {
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "OPTIONS",
                              "EXIT STATUS", "ENVIRONMENT", "FILES", "EXAMPLES", "SEE ALSO"}) {
    EXPECT_NE(std::find(man_.sections.begin(), man_.sections.end(), section), man_.sections.end())
        << section;
  }
  for (const std::string& option : top_.options)
    EXPECT_TRUE(longOptions(man_.text["OPTIONS/conta"]).contains(option)) << option;

  for (const auto& [name, help] : help_) {
    SCOPED_TRACE(name);
    const std::string heading = "conta " + name;
    EXPECT_NE(man_.text["SYNOPSIS/"].find(heading), std::string::npos);
    ASSERT_TRUE(man_.text.contains("COMMANDS/" + heading));
    EXPECT_FALSE(man_.text["COMMANDS/" + heading].empty());
    ASSERT_TRUE(man_.text.contains("OPTIONS/" + heading));

    // The same options in both, in either direction.
    const std::string& explained = man_.text["OPTIONS/" + heading];
    EXPECT_EQ(longOptions(explained), help.options) << explained;
    for (const std::string& positional : help.positionals)
      EXPECT_NE(explained.find(positional), std::string::npos) << positional;

    // Each in an example of the subcommand, and no example uses another.
    Options wanted = help.options;
    wanted.erase("--help");
    const Options used = usedBy(man_.examples, name);
    for (const std::string& option : wanted)
      EXPECT_TRUE(used.contains(option)) << option << " in no example";
    for (const std::string& option : used)
      EXPECT_TRUE(help.options.contains(option)) << option << " is no option of " << name;
  }
  // The environment the tool reads and the store's files.
  for (const char* name : {"CONTA_CONNECTION", "CONTA_HOST_DIR", "CONTA_TRACE"})
    EXPECT_NE(man_.text["ENVIRONMENT/"].find(name), std::string::npos) << name;
  for (const char* file :
       {"PARAMETROSXOL.CDS", "Dados/Cadastros/AliqImpFis.cds", "Dados/loja.db", "conexao.txt"})
    EXPECT_NE(man_.text["FILES/"].find(file), std::string::npos) << file;
}

TEST_F(ManualCliTest, ManPageFormatsWithoutWarnings) {
  if (std::system("command -v groff >/dev/null 2>&1") != 0) GTEST_SKIP() << "no groff here";
  const fs::path warnings = scratch_ / "groff.txt";
  const std::string command =
      std::string("groff -man -Tutf8 -ww -z ") + CONTA_MAN_PAGE + " 2>" + warnings.string();
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(testing_support::readWholeFile(warnings), "");
}

}  // namespace
}  // namespace conta
