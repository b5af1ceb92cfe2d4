#pragma once
// The programs' one style of help, in CLI11's place for it: the program's name
// and what it does, the usage, the options by group, then the notes, every
// line at most 100 columns.

#include <memory>
#include <string>

namespace CLI {
class FormatterBase;
}  // namespace CLI

namespace novabit {

// A program's help around its options. Each line of `summary` and `footer`
// is wrapped at 100 columns, continued under its own indentation; the
// options are listed by group, in the order the groups were first used.
struct HelpTexts {
  std::string program;  // "novabit"
  std::string summary;  // one sentence first, after "PROGRAM: "
  std::string usage;    // "usage: PROGRAM ...", lines of at most 100 columns
  std::string footer;
};

std::shared_ptr<CLI::FormatterBase> help_format(HelpTexts texts);

}  // namespace novabit
