#include "shell/command_line.h"

#include <filesystem>
#include <system_error>

namespace tallowin {

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  bool options_end = false;
  for (const std::string& arg : args) {
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && (arg == "--help" || arg == "-h")) {
      line.action = TCommandLine::Action::Help;
      return line;
    } else if (!options_end && (arg == "--version" || arg == "-v")) {
      line.action = TCommandLine::Action::Version;
      return line;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      line.action = TCommandLine::Action::UsageError;
      line.error = "unknown option '" + arg + "'";
      return line;
    } else if (!arg.empty()) {
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(arg, error);
      line.files.push_back(error ? arg : absolute.lexically_normal().string());
    }
  }
  return line;
}

std::string CommandLineHelp(const std::string& app_title) {
  return "Usage: tallowin [OPTION]... [FILE]...\n" + app_title +
         ": converts audio and video files into the format you choose.\n"
         "The files given are added to the list of files to convert.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n"
         "  --             every argument after it is a file\n"
         "\n"
         "From a terminal, tallowin-cli converts, probes and downloads without a window.\n";
}

}  // namespace tallowin
