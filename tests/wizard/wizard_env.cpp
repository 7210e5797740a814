#include "wizard_env.h"

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "shell/config_codec.h"
#include "shell/global_vars.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"

namespace tallowin::test {

namespace {

const char* const kFormatKeys[] = {
    "AVI",  "MP4",    "FLV",     "SWF", "MPEG",       "RM",          "WMV",  "MOV",     "3GP",
    "IPOD", "IPHONE", "APPLETV", "PSP", "BLACKBERRY", "MOBILEPHONE", "IPAD", "ANDROID", "WAV",
    "MP3",  "WMA",    "OGG",     "AAC", "M4A",        "FLAC",        "MP2"};

// The proxy a test has set already, else a closed port on loopback (the discard port).
std::string ProxyOrClosedPort(const char* name) {
  const char* set = std::getenv(name);
  return set != nullptr && *set != '\0' ? set : "http://127.0.0.1:9";
}

}  // namespace

std::string EditionConfig(const std::map<std::string, std::string>& overrides) {
  const std::string base = ReadFile(SourceDir() / "assets/editions/full.ini");
  std::map<std::string, std::string> pending = overrides;
  std::istringstream in(base);
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos && line[0] != ';') {
      const std::string key = line.substr(0, eq);
      auto it = pending.find(key);
      if (it != pending.end()) {
        line = key + "=" + it->second;
        pending.erase(it);
      }
    }
    out << line << "\n";
  }
  for (const auto& [key, value] : pending) out << key << "=" << value << "\n";
  return out.str();
}

std::map<std::string, std::string> OnlyFormats(std::initializer_list<const char*> formats) {
  std::map<std::string, std::string> flags;
  for (const char* key : kFormatKeys) flags[key] = "False";
  for (const char* key : formats) flags[key] = "True";
  return flags;
}

WizardEnv::WizardEnv(const std::map<std::string, std::string>& overrides)
    : home_("HOME", root.dir() + "home"),
      config_home_("XDG_CONFIG_HOME", root.dir() + "config"),
      documents_("XDG_DOCUMENTS_DIR", root.dir() + "home/Documents"),
      http_proxy_("http_proxy", ProxyOrClosedPort("http_proxy")),
      https_proxy_("https_proxy", ProxyOrClosedPort("https_proxy")) {
  namespace fs = std::filesystem;
  fs::create_directories(root.path() / "home/Documents");
  fs::create_directories(root.path() / "program/lib");
  fs::create_directories(root.path() / "program/sounds");
  fs::copy(BinDir() / "sounds/skin0", root.path() / "program/sounds/skin0",
           fs::copy_options::recursive);
  const std::string text = EditionConfig(overrides);
  WriteFile(root.path() / "program/lamecore.dll", EncodeConfigText(text));
  ResetGlobalVars();
  std::smatch name;
  if (std::regex_search(text, name, std::regex("\nName=([^\n]*)"))) {
    GlobalVars().AppTitle = name[1];
  }
}

WizardEnv::~WizardEnv() {
  log_.reset();
  form_.reset();
  ResetGlobalVars();
}

TFormMain& WizardEnv::Create() {
  form_ = std::make_unique<TFormMain>(ProgramDir());
  log_ = std::make_unique<TFormLog>();
  return *form_;
}

void AddInputRows(TFormMain& form, int count) {
  for (int i = 0; i < count; ++i) {
    const int row = form.NextGrid->AddRow();
    form.NextGrid->SetCell(row, NxTextColumnFileFullName, QString("/media/clip%1.mp4").arg(row));
  }
}

void AddLinkRow(TFormMain& form, const std::string& link) {
  form.ListViewInputURL->AddRow({QString::fromStdString(link)});
}

}  // namespace tallowin::test
