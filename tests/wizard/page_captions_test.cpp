// The caption table of the wizard pages, in both editions and with and without merging.
#include <gtest/gtest.h>

#include "wizard/page_captions.h"

namespace tallowin {
namespace {

TEST(PageCaptions, TableOfEveryPage) {
  struct Row {
    TWizardPage page;
    const char* next;
    bool next_enabled;
    bool back_enabled;
    const char* exit;
  };
  // Download on, merge off.
  const Row rows[] = {
      {TWizardPage::Mode, "Next", true, false, "Exit"},
      {TWizardPage::Step1, "Next", true, true, "Cancel"},
      {TWizardPage::Step2, "Convert", true, true, "Cancel"},
      {TWizardPage::Step3, "Next", false, false, "Cancel"},
      {TWizardPage::Step4, "Finish", true, false, "Exit"},
      {TWizardPage::Step5, "Download", true, true, "Cancel"},
      {TWizardPage::Step6, "Next", false, false, "Cancel"},
      {TWizardPage::Step7, "Finish", true, false, "Exit"},
  };
  for (const Row& row : rows) {
    const TPageCaptions c = PageCaptionsFor(row.page, true, false, "T");
    EXPECT_EQ(c.next_caption, row.next) << static_cast<int>(row.page);
    EXPECT_EQ(c.next_enabled, row.next_enabled) << static_cast<int>(row.page);
    EXPECT_EQ(c.back_enabled, row.back_enabled) << static_cast<int>(row.page);
    EXPECT_EQ(c.exit_caption, row.exit) << static_cast<int>(row.page);
  }
}

TEST(PageCaptions, EditionDependentCells) {
  const TPageCaptions step1 = PageCaptionsFor(TWizardPage::Step1, false, true, "T");
  EXPECT_FALSE(step1.back_enabled);
  EXPECT_EQ(step1.exit_caption, "Exit");
  EXPECT_EQ(PageCaptionsFor(TWizardPage::Step2, false, true, "T").next_caption, "Join Now");
  EXPECT_EQ(PageCaptionsFor(TWizardPage::Step2, true, true, "T").next_caption, "Join Now");
  EXPECT_EQ(PageCaptionsFor(TWizardPage::Step2, false, false, "T").exit_caption, "Cancel");
  EXPECT_EQ(PageCaptionsFor(TWizardPage::Mode, true, false, "A&B 100%").title,
            "Welcome to A&B 100%! What do you want to do?");
  EXPECT_EQ(PageCaptionsFor(TWizardPage::Step1, true, false, "T").title,
            "Select the file(s) you want to convert. Use \"Move Up\" and \"Move Down\" to change "
            "the order.");
}

}  // namespace
}  // namespace tallowin
