// tallowin-cli sub-commands. Each command lives in its own file and registers itself:
//
//   static const tallowin::cli::Registration kProbe{"probe", "probe [--thumbnails DIR] FILE...",
//                                                   &RunProbe};
#pragma once

#include <string>
#include <vector>

namespace tallowin::cli {

// Receives the arguments after the command name; returns the process exit status.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct Registration {
  Registration(const char* name, const char* usage, CommandFn run);
};

// The folder of the running executable, with a trailing "/".
std::string ExecutableDir();

}  // namespace tallowin::cli
