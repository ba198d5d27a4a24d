// The command line of vexlo-merge: the three paths and the four options of the window, parsed
// into the values its fields and check boxes would hold.
#ifndef VEXLO_CLI_CLI_OPTIONS_H_
#define VEXLO_CLI_CLI_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

#include "cli/mail_options.h"
#include "merge/record_choice.h"

namespace vexlo::cli {

struct CliOptions {
  std::string data;       // --data: sle_1
  std::string templ;      // --template: sle_2
  std::string out;        // --out: sle_3
  bool one_file = false;  // --one-file: cbx_1
  int copies = 0;         // --print COPIES: cbx_2 and em_1; 0 = no printing
  bool pdf = false;       // --pdf: cbx_4
  bool visible = false;   // --visible: cbx_3
  bool as_shown = false;  // --as-shown: 数值按表格格式
  bool all_stories = false;  // --all-stories: 含页眉页脚
  bool check = false;     // --check: only the check before writing; --out may be left out
  // --filter, --rows, --skip-totals: which records are made; --name-pattern: their names.
  merge::RecordChoice choice;
  std::string name_pattern;
  std::string password_column;  // --pdf-password-column: each PDF opens with this column's value
  int password_last = 0;        // --password-last N: only its last N characters
  std::string sheet;      // --sheet NAME|NUMBER: the data sheet; "" the active one
  bool help = false;      // --help
  bool version = false;   // --version
  MailOptions mail;       // --mail-column, --smtp ...: e-mail each record's file
};

// Parses the arguments after the program name. On bad usage returns nullopt and puts a one-line
// Chinese explanation into `error`.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The text of --help.
std::string HelpText();

}  // namespace vexlo::cli

#endif  // VEXLO_CLI_CLI_OPTIONS_H_
