// tallowin-cli config decode FILE | config encode FILE [-o OUT]
// Reads or writes the byte-complemented product configuration ("lamecore.dll").
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli_command.h"
#include "shell/config_codec.h"
#include "shell/util_funcs.h"

namespace tallowin::cli {
namespace {

constexpr char kUsage[] = "config decode FILE | config encode FILE [-o OUT]";

int Usage() {
  std::fprintf(stderr, "usage: tallowin-cli %s\n", kUsage);
  return 2;
}

bool WriteAll(std::FILE* file, const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Writes through a temporary file so that a failed write leaves an existing OUT intact.
void WriteOutput(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".part";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) throw std::runtime_error("Cannot write file \"" + path + "\".");
  bool ok = WriteAll(file, bytes);
  ok = std::fclose(file) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw std::runtime_error("Cannot write file \"" + path + "\".");
  }
}

int RunConfig(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  const std::string& action = args[0];
  const std::string& input = args[1];
  std::string output;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size() && output.empty())
      output = args[++i];
    else
      return Usage();
  }
  if (action != "decode" && action != "encode") return Usage();
  try {
    std::string bytes = ReadFileBytes(input);
    std::string result = action == "decode" ? DecodeConfigText(bytes) : EncodeConfigText(bytes);
    if (output.empty()) {
      if (!WriteAll(stdout, result) || std::fflush(stdout) != 0)
        throw std::runtime_error("Cannot write to standard output.");
    } else {
      WriteOutput(output, result);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tallowin-cli config: %s\n", e.what());
    return 1;
  }
  return 0;
}

const Registration kConfig{"config", kUsage, &RunConfig};

}  // namespace
}  // namespace tallowin::cli
