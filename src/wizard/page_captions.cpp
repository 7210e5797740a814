#include "wizard/page_captions.h"

namespace tallowin {

TPageCaptions PageCaptionsFor(TWizardPage page, bool download_enabled, bool merge_enabled,
                              const std::string& app_title) {
  switch (page) {
    case TWizardPage::Mode:
      return {"Welcome to " + app_title + "! What do you want to do?", "Next", true, false, "Exit"};
    case TWizardPage::Step1:
      return {
          "Select the file(s) you want to convert. Use \"Move Up\" and \"Move Down\" to "
          "change the order.",
          "Next", true, download_enabled, download_enabled ? "Cancel" : "Exit"};
    case TWizardPage::Step2:
      return {"Select an output mode and specify a path for the output files.",
              merge_enabled ? "Join Now" : "Convert", true, true, "Cancel"};
    case TWizardPage::Step3:
      return {"Conversion information.", "Next", false, false, "Cancel"};
    case TWizardPage::Step4:
      return {"The conversion is finished.", "Finish", true, false, "Exit"};
    case TWizardPage::Step5:
      return {"Copy a YouTube link from your browser address bar and Paste here", "Download", true,
              true, "Cancel"};
    case TWizardPage::Step6:
      return {"Downloading information.", "Next", false, false, "Cancel"};
    case TWizardPage::Step7:
      return {"The downloading is finished.", "Finish", true, false, "Exit"};
  }
  return {};
}

}  // namespace tallowin
