// Files named on the program's command line ("Open With" from a file manager) reach Step1 as a
// drop would add them; a file that cannot be added is reported like any other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "ui/slide_grid.h"
#include "wizard/input_row.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {
namespace {

TEST(CommandLineFiles, OpenOnStep1WithTheFilesAdded) {
  WizardEnv env;
  TFormMain& form = env.Create();
  ASSERT_EQ(form.ActivePage(), TWizardPage::Mode);  // the full edition starts on the Mode page
  const fs::path wav = GeneratedMedia("tone_1s.wav", {"-f", "lavfi", "-i", "sine=duration=1"});
  const std::string missing = env.root.dir() + "gone.mp4";
  form.OpenCommandLineFiles(
      {StandardClip().string(), wav.string(), missing, env.root.dir() + "notes.txt"});
  EXPECT_EQ(form.ActivePage(), TWizardPage::Step1);
  ASSERT_EQ(form.NextGrid->RowCount(), 2);
  EXPECT_EQ(form.NextGrid->Cell(0, NxTextColumnFileFullName).toStdString(),
            StandardClip().string());
  EXPECT_EQ(form.NextGrid->Cell(1, NxTextColumnFileFullName).toStdString(), wav.string());
  // The missing file is listed in the failed-files dialog; the text file is left out as a drop
  // leaves it.
  EXPECT_EQ(env.fake.dialogs, std::vector<std::string>{"FormFailedAddFile"});
  const std::vector<std::string> lines = env.log().Lines();
  bool reported = false;
  for (const std::string& line : lines) reported |= line.find("gone.mp4") != std::string::npos;
  EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace tallowin::test
