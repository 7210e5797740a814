// A program folder and a user account for main-window tests: "lamecore.dll" made from the full
// edition's configuration with some keys changed, a copy of the skin pictures, empty per-user
// folders, and the fake platform that answers the dialogs.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "shell/fake_platform.h"
#include "shell/form_log.h"
#include "shell/scoped_env.h"
#include "support/test_support.h"
#include "wizard/form_main.h"

namespace tallowin::test {

using Config = std::map<std::string, std::string>;

// Counts the main window's Closed signals.
struct ClosedCounter {
  explicit ClosedCounter(TFormMain& form) {
    QObject::connect(&form, &TFormMain::Closed, [this] { ++count; });
  }
  int count = 0;
};

// The full edition's configuration text with `overrides` applied (keys replaced in place, new
// keys added to section SYSTEM).
std::string EditionConfig(const std::map<std::string, std::string>& overrides);

// Every format flag off except the ones named.
std::map<std::string, std::string> OnlyFormats(std::initializer_list<const char*> formats);

class WizardEnv {
 public:
  explicit WizardEnv(const std::map<std::string, std::string>& overrides = {});
  ~WizardEnv();

  // Creates the main window (running FormCreate) and then the log window, as the program does.
  TFormMain& Create();
  TFormMain& form() { return *form_; }
  TFormLog& log() { return *log_; }

  std::string ProgramDir() const { return root.dir() + "program/"; }
  std::string ConfigHome() const { return root.dir() + "config/"; }
  std::string Documents() const { return root.dir() + "home/Documents/"; }
  // The skin folder of the copied pictures.
  std::string SkinDir() const { return ProgramDir() + "sounds/skin0/"; }

  TempDir root;
  FakePlatform fake;

 private:
  ScopedEnv home_;
  ScopedEnv config_home_;
  ScopedEnv documents_;
  // A window under test never reaches the network: without a proxy of the test's own (a fake
  // service), transfers go to a closed port on this machine.
  ScopedEnv http_proxy_;
  ScopedEnv https_proxy_;
  std::unique_ptr<TFormMain> form_;
  std::unique_ptr<TFormLog> log_;
};

// Adds `count` rows to the input list, as the input list would after adding files.
void AddInputRows(TFormMain& form, int count);
// Adds a link row to the Step5 list.
void AddLinkRow(TFormMain& form, const std::string& link);

}  // namespace tallowin::test
