// The product configuration codec and the INI reader on arbitrary bytes: decoding never fails,
// encoding inverts decoding, a parsed INI written out reads back to the same text, and the
// configuration reader either fills the record or refuses a malformed number.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "shell/config_codec.h"
#include "shell/global_vars.h"
#include "shell/ini_file.h"
#include "shell/product_config.h"

using namespace tallowin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  const std::string decoded = DecodeConfigText(bytes);
  if (decoded.size() != bytes.size()) std::abort();
  for (const std::string& line : SplitConfigLines(bytes))
    if (DecodeConfigLine(line).size() != line.size()) std::abort();

  // The input as a plain text: encoding must round-trip whenever it is allowed.
  try {
    if (DecodeConfigText(EncodeConfigText(bytes)) != bytes) std::abort();
  } catch (const std::invalid_argument&) {
    if (bytes.find('\xF2') == std::string::npos && bytes.find('\xF5') == std::string::npos)
      std::abort();
  }

  const IniFile ini = IniFile::FromText(decoded);
  const std::string written = ini.ToText();
  if (IniFile::FromText(written).ToText() != written) std::abort();
  for (const std::string& section : ini.Sections()) {
    for (const std::string& key : ini.Keys(section)) {
      if (!ini.HasKey(section, key)) std::abort();
      (void)ini.ReadInteger(section, key, 0);
      (void)ini.ReadBool(section, key, false);
    }
  }

  TGlobalVars vars;
  try {
    ReadProductConfiguration(ini, vars);
  } catch (const std::invalid_argument&) {
    // A malformed number is refused with the conversion's message.
  }
  return 0;
}
