#include "shell/global_vars.h"

namespace tallowin {
namespace {

TGlobalVars& Instance() {
  static TGlobalVars vars;
  return vars;
}

}  // namespace

TGlobalVars& GlobalVars() {
  return Instance();
}

void ResetGlobalVars() {
  Instance() = TGlobalVars{};
}

}  // namespace tallowin
