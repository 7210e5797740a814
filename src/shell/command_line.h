// The program's command line: files to open in the input list ("Open With" from a file manager),
// --help and --version. Qt's own options have been taken out by the application object before.
#pragma once

#include <string>
#include <vector>

namespace tallowin {

struct TCommandLine {
  enum class Action { Run, Help, Version, UsageError };
  Action action = Action::Run;
  // The files named, as absolute paths, in the order given.
  std::vector<std::string> files;
  // For UsageError: what was wrong.
  std::string error;
};

// `args` without the program's own name. "--" ends the options: what follows is a file even when
// it starts with "-".
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string CommandLineHelp(const std::string& app_title);

}  // namespace tallowin
