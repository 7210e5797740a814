// The title line and the state of the Back, Next and Exit actions on each wizard page.
#pragma once

#include <string>

namespace tallowin {

enum class TWizardPage { Mode, Step1, Step2, Step3, Step4, Step5, Step6, Step7 };

struct TPageCaptions {
  std::string title;
  std::string next_caption;
  bool next_enabled = true;
  bool back_enabled = false;
  std::string exit_caption;
  // Back is always captioned "Back"; Exit is always enabled.
};

// `app_title` fills the Mode page's welcome line.
TPageCaptions PageCaptionsFor(TWizardPage page, bool download_enabled, bool merge_enabled,
                              const std::string& app_title);

}  // namespace tallowin
