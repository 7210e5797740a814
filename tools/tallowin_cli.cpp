// tallowin-cli: the program's engine, transfer and configuration pieces from a terminal.
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "cli_command.h"
#include "common/dispatcher.h"

namespace tallowin::cli {
namespace {

struct Command {
  std::string usage;
  CommandFn run;
};

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

}  // namespace

Registration::Registration(const char* name, const char* usage, CommandFn run) {
  Commands()[name] = Command{usage, run};
}

std::string ExecutableDir() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace tallowin::cli

int main(int argc, char** argv) {
  using tallowin::cli::Commands;
  if (argc < 2 || !Commands().count(argv[1])) {
    std::fprintf(stderr, "usage: tallowin-cli COMMAND [ARGS]\ncommands:\n");
    for (const auto& [name, command] : Commands())
      std::fprintf(stderr, "  %s\n", command.usage.c_str());
    return 2;
  }
  // Events of the engine and the transfer component are delivered on this (main) thread.
  tallowin::Dispatcher dispatcher;
  tallowin::SetMainDispatcher(&dispatcher);
  std::vector<std::string> args(argv + 2, argv + argc);
  int status = Commands()[argv[1]].run(args);
  tallowin::SetMainDispatcher(nullptr);
  return status;
}
